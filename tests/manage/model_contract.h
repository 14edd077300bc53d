#pragma once
// Watches a model with Qt's model tester and keeps what it reports, so a
// test can require that the model kept its contract with its views.

#include <QAbstractItemModelTester>
#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <string>

namespace zelkor::testing {

class ModelContract {
  public:
    explicit ModelContract(QAbstractItemModel* model) {
        reports().clear();
        previous_ = qInstallMessageHandler(&collect);
        tester_ = new QAbstractItemModelTester(
            model, QAbstractItemModelTester::FailureReportingMode::Warning);
    }
    ~ModelContract() {
        delete tester_;
        qInstallMessageHandler(previous_);
    }
    ModelContract(const ModelContract&) = delete;
    ModelContract& operator=(const ModelContract&) = delete;

    // What the tester found wrong so far, one line a finding.
    std::string violations() const { return reports().join('\n').toStdString(); }

  private:
    static QStringList& reports() {
        static QStringList list;
        return list;
    }
    static void collect(QtMsgType, const QMessageLogContext& context, const QString& message) {
        if (context.category != nullptr && QLatin1String(context.category) == "qt.modeltest") {
            reports().append(message);
        }
    }

    QtMessageHandler previous_;
    QAbstractItemModelTester* tester_;
};

}  // namespace zelkor::testing
