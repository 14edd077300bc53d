// The control panel inside Vorrak: made by the main window's post-creation
// set-up, its buttons working the main window's commands, and the main
// window's size, placement and hiding reaching it.

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <sstream>

#include "platform/registry.h"
#include "tests/shell/shell_rig.h"
#include "tests/support/qt_app.h"
#include "vorrak/guard/detection_cycle.h"
#include "vorrak/panel/about_box.h"
#include "vorrak/panel/skin.h"
#include "vorrak/panel/skin_pixmap.h"
#include "vorrak/shell/startup.h"

namespace zelkor::vorrak {
namespace {

QPoint centreOf(int button) {
    for (const HitArea& hit : kHitAreas) {
        if (hit.button == button) {
            return {(hit.area.left + hit.area.right) / 2, (hit.area.top + hit.area.bottom) / 2};
        }
    }
    return {};
}

class PanelInVorrakTest : public ::testing::Test {
  protected:
    PanelInVorrakTest() {
        testing::qtApp();
        shell = std::make_unique<test::ShellRig>();
        window().resize(352, 240);
        window().move(100, 100);
        window().show();
        window().postCreationSetup();
        panel = window().controlPanel();
    }
    MainWindow& window() { return shell->window; }
    Vorrak& v() { return shell->v(); }
    void click(int button) { QTest::mouseClick(panel, Qt::LeftButton, {}, centreOf(button)); }

    std::unique_ptr<test::ShellRig> shell;
    ControlPanel* panel = nullptr;
};

TEST_F(PanelInVorrakTest, MadeOnceCentredUnderTheMainWindow) {
    ASSERT_NE(panel, nullptr);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(panel->pos(), QPoint(100 + (352 - 360) / 2, 100 + 240 + 5));
    EXPECT_EQ(v().WindowsShown, 1u);
    window().postCreationSetup();
    EXPECT_EQ(window().controlPanel(), panel);
    // The program icon the main window gives every window reaches the panel.
    EXPECT_EQ(panel->windowIcon().pixmap(kIconSize).toImage(),
              ProgramIcon().pixmap(kIconSize).toImage());
}

TEST_F(PanelInVorrakTest, ButtonsWorkTheMainWindowsCommands) {
    v().settings.USESCHEDULE = 0;
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    click(panel_button::StartStop);
    EXPECT_EQ(v().guardMode.active, 1u);
    panel->grab();
    EXPECT_EQ(panel->shownTexts().state, "Vorrak");
    // The setup button is refused while guarding, as F3 is.
    click(panel_button::Setup);
    ASSERT_EQ(shell->rig.ui.boxes.size(), 1u);
    EXPECT_EQ(shell->rig.ui.boxes[0].text, kSetupWhileGuardingMessage);
    click(panel_button::StartStop);
    EXPECT_EQ(v().guardMode.active, 0u);
    click(panel_button::Help);
    ASSERT_EQ(shell->rig.shell.opened.size(), 1u);
    EXPECT_EQ(shell->rig.shell.opened[0], v().HelpPath);
}

TEST_F(PanelInVorrakTest, MainWindowSizeReachesThePanel) {
    window().resize(400, 300);
    panel->grab();
    EXPECT_EQ(panel->shownTexts().size, "400 x 300");
}

TEST_F(PanelInVorrakTest, AboutButtonOpensTheAboutBoxOverThePanel) {
    v().chip.aboutText = "Zelkor Oculara\nVersion 1.1\n(Test Card)";
    QString shown;
    QObject* owner = nullptr;
    bool onTop = false;
    QTimer::singleShot(0, [&] {
        QWidget* box = QApplication::activeModalWidget();
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->objectName(), "104");
        owner = box->parent();
        onTop = box->windowFlags().testFlag(Qt::WindowStaysOnTopHint);
        shown = box->findChild<QLabel*>(QString::number(kAboutTextId))->text();
        box->findChild<QPushButton*>(QString::number(kAboutOkId))->click();
    });
    click(panel_button::About);
    EXPECT_EQ(owner, panel);
    EXPECT_TRUE(onTop);
    EXPECT_TRUE(shown.startsWith("Zelkor Oculara\nVersion 1.1\n(Test Card)"));
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(PanelInVorrakTest, ExitButtonEndsTheProgramWhileGuarding) {
    v().settings.USESCHEDULE = 0;
    shell->rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
    window().command(command::GuardStartStop);
    ASSERT_EQ(v().guardMode.active, 1u);
    v().access.PasswordRequired = 1;
    QTimer::singleShot(0, panel, [this] { click(panel_button::Exit); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(99); });
    EXPECT_EQ(QCoreApplication::exec(), 0);
    EXPECT_EQ(v().WindowsShown, 0u);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(window().isVisible());
    // No password was asked.
    EXPECT_TRUE(shell->rig.ui.boxes.empty());
}

TEST_F(PanelInVorrakTest, MinimiseHidesBothWindowsUntilTheTrayBringsThemBack) {
    window().setTrayCheck([] { return true; });
    click(panel_button::Minimise);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_FALSE(window().isVisible());
    EXPECT_EQ(v().WindowsShown, 0u);
    window().message(kTrayMessage);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_TRUE(window().isVisible());
}

// Hidden windows without a tray would leave no way back: the main window
// goes to the taskbar, and its restore there brings the panel back.
TEST_F(PanelInVorrakTest, WithoutATrayMinimiseGoesToTheTaskbarAndComesBackWithThePanel) {
    window().setTrayCheck([] { return false; });
    click(panel_button::Minimise);
    EXPECT_FALSE(panel->isVisible());
    EXPECT_TRUE(window().isVisible());
    EXPECT_TRUE(window().isMinimized());
    EXPECT_EQ(v().WindowsShown, 0u);
    EXPECT_FALSE(window().trayIconShown());
    window().setWindowState(Qt::WindowNoState);
    EXPECT_TRUE(panel->isVisible());
    EXPECT_EQ(v().WindowsShown, 1u);
}

TEST_F(PanelInVorrakTest, AlwaysOnTopTakesThePanelAlong) {
    window().command(command::AlwaysOnTop);
    EXPECT_TRUE(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(panel->isVisible());
    window().command(command::AlwaysOnTop);
    EXPECT_FALSE(panel->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
}

// Outside guard mode the panel's clock watches the signal: its loss shows in
// place of the standard and is told once on the log, and so is its return.
TEST_F(PanelInVorrakTest, TheClockShowsALossOfSignalAndItsReturn) {
    std::ostringstream log;
    v().signal.log = &log;
    // The camera's input, as the start-up signal search would choose it.
    v().settings.VIDEOCONNECTOR = connector::Composite;
    SelectComposite(*shell->rig.bus);
    const auto standard = [this] {
        window().panelClockTick();
        panel->grab();
        return panel->shownTexts().standard;
    };
    const std::string withSignal = standard();
    ASSERT_NE(withSignal, kNoSignalText);
    shell->rig.camera->on = false;
    EXPECT_EQ(standard(), kNoSignalText);
    EXPECT_EQ(standard(), kNoSignalText);
    EXPECT_EQ(panel->shownTexts().input, "Composite");
    shell->rig.camera->on = true;
    EXPECT_EQ(standard(), withSignal);
    EXPECT_EQ(log.str(), "Vorrak: no video signal\nVorrak: video signal back\n");
}

// The store names the input the camera is not on, as a set-up for another
// camera leaves it. From the start the read-out, the decoder and the store
// name the input the picture comes from, and a guard start keeps it so.
TEST(PanelInputReadOutTest, AgreesWithTheDecoderAndTheStoreFromTheStart) {
    testing::qtApp();
    for (const bool onSVideo : {false, true}) {
        SCOPED_TRACE(onSVideo ? "camera on S-Video" : "camera on Composite");
        test::SceneOptions scene;
        scene.onSVideo = onSVideo;
        test::ShellRig shell(test::LiveVideoKind::None, scene);
        const uint32_t inUse = onSVideo ? connector::SVideo : connector::Composite;
        shell.rig.registry.putNumber(kProductKey, "VIDEOCONNECTOR",
                                     onSVideo ? connector::Composite : connector::SVideo);
        shell.rig.registry.putNumber(kProductKey, "USESCHEDULE", 0);
        ASSERT_TRUE(PrepareRun(shell.v(), shell.services, shell.live, "/opt/oculara"));
        shell.window.resize(352, 240);
        shell.window.show();
        shell.window.postCreationSetup();
        ControlPanel* panel = shell.window.controlPanel();
        ASSERT_NE(panel, nullptr);
        const auto readOut = [panel] {
            panel->grab();
            return panel->shownTexts().input;
        };
        const auto stored = [&shell] {
            uint32_t value = 0;
            const auto key = shell.rig.registry.openKey(kProductKey, platform::RegAccess::Read);
            return key && platform::queryNumber(*key, "VIDEOCONNECTOR", &value) ? value : 0;
        };
        const std::string name = onSVideo ? "S-Video" : "Composite";
        EXPECT_EQ(shell.rig.card->decoder()->connector(),
                  onSVideo ? vcard::Connector::SVideo : vcard::Connector::Composite);
        EXPECT_EQ(readOut(), name);
        EXPECT_EQ(stored(), inUse);
        shell.window.command(command::GuardStartStop);
        ASSERT_EQ(shell.v().guardMode.active, 1u);
        EXPECT_EQ(readOut(), name);
        EXPECT_EQ(shell.v().settings.VIDEOCONNECTOR, inUse);
    }
}

}  // namespace
}  // namespace zelkor::vorrak
