#include "vorrak/panel/about_box.h"

#include <QLabel>
#include <QPushButton>
#include <array>

#include "vorrak/panel/skin.h"
#include "vorrak/panel/skin_pixmap.h"

namespace zelkor::vorrak {

namespace {

constexpr std::string_view kRightsLines = "Copyright (C) Zelkor. All rights reserved.";

constexpr std::array<ControlTemplate, 3> kControls{{
    {kStaticControlId, ControlKind::Icon, "191", 11, 10, 21, 20},
    {kAboutTextId, ControlKind::Text, "", 38, 10, 160, 48},
    {kAboutOkId, ControlKind::DefaultPushButton, "OK", 144, 62, 50, 14},
}};

constexpr DialogTemplate kTemplate{kAboutDialog, "About Zelkor Oculara", 201, 83, kControls};

}  // namespace

std::string AboutText(std::string_view chipText) {
    return std::string(chipText) + "\n\n" + std::string(kRightsLines);
}

std::unique_ptr<QDialog> MakeAboutBox(QWidget* owner, std::string_view chipText) {
    std::unique_ptr<QDialog> box = BuildDialog(kTemplate, owner);
    box->setWindowFlag(Qt::WindowStaysOnTopHint, true);
    box->setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    // Escape and the close box do not end the box: only OK does.
    IgnoreDismissRequests(*box);
    for (auto* icon : box->findChildren<QLabel*>()) {
        if (icon->property(kIconResourceProperty).toString() == QString::number(skin::Icon)) {
            icon->setPixmap(ProgramIcon().pixmap(kIconSize, kIconSize));
        }
    }
    auto* about = static_cast<QLabel*>(DialogItem(*box, kAboutTextId));
    about->setText(QString::fromLatin1(AboutText(chipText).c_str()));
    about->setWordWrap(true);
    about->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    auto* ok = static_cast<QPushButton*>(DialogItem(*box, kAboutOkId));
    QObject::connect(ok, &QPushButton::clicked, box.get(), &QDialog::accept);
    return box;
}

void ShowAbout(QWidget* owner, std::string_view chipText) {
    MakeAboutBox(owner, chipText)->exec();
}

}  // namespace zelkor::vorrak
