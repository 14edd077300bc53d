#pragma once
// Where UI tests leave their screenshots: build/<preset>/screenshots, so a
// person can look at them after a run.

#include <QDir>
#include <QImage>
#include <QString>

#include <cstdlib>
#include <string>

namespace zelkor::testing {

inline QString screenshotPath(const std::string& name) {
    const char* build = std::getenv("ZELKOR_BUILD_DIR");
    const QString dir = QString(build != nullptr ? build : ".") + "/screenshots";
    QDir().mkpath(dir);
    return dir + "/" + QString::fromStdString(name) + ".png";
}

inline bool saveScreenshot(const QImage& image, const std::string& name) {
    return image.save(screenshotPath(name));
}

}  // namespace zelkor::testing
