// manage's form on a real X server (Xvfb) in the fonts it finds there: the
// controls fit, and the room of a window the user makes larger goes to the
// grid and the text boxes.

#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "manage/query_dialog.h"
#include "tests/manage/manage_fixture.h"
#include "tests/support/layout_faults.h"
#include "tests/support/screenshot.h"
#include "tests/support/x_screen.h"
#include "tests/support/xserver.h"

namespace zelkor::manage {
namespace {

class ManageScreen : public ManageTest {
  protected:
    void SetUp() override {
        // The server first: the test's Qt is to connect to it.
        if (!testing::Xserver::instance().running()) {
            GTEST_SKIP() << testing::Xserver::instance().why();
        }
        ManageTest::SetUp();
    }
};

TEST_F(ManageScreen, FormFitsAndStretchesWhenTheUserEnlargesIt) {
    addEvent("2003/1/1 Detect Time:1:1:1", "/b1.bmp", std::string("/v1.avi"));
    VrakQuery& window = start();
    const std::string title = window.windowTitle().toStdString();
    const QSize designed = window.size();
    const auto shown = testing::waitForTopLevelWindow(title, designed, 10000);
    ASSERT_TRUE(shown);
    testing::processEventsFor(500);
    EXPECT_EQ(testing::layoutFaults(window), std::vector<std::string>{});
    EXPECT_TRUE(testing::saveScreenshot(testing::grabScreen(*shown), "manage_xvfb"));
    const QRect grid = child<QWidget>("DataGrid")->geometry();
    std::vector<int> boxWidths;
    for (const char* box : {"DescText", "BitmapFileText", "VideoFileText"}) {
        boxWidths.push_back(child<QWidget>(box)->width());
    }

    const QSize larger = designed + QSize(300, 200);
    testing::resizeTopLevelWindow(window.winId(), larger);
    const auto enlarged = testing::waitForTopLevelWindow(title, larger, 10000);
    ASSERT_TRUE(enlarged);
    testing::processEventsFor(500);
    ASSERT_EQ(window.size(), larger);
    EXPECT_EQ(testing::layoutFaults(window), std::vector<std::string>{});
    EXPECT_TRUE(testing::saveScreenshot(testing::grabScreen(*enlarged), "manage_xvfb_enlarged"));
    const QRect grown = child<QWidget>("DataGrid")->geometry();
    EXPECT_EQ(grown.width(), grid.width() + 300);
    EXPECT_EQ(grown.height(), grid.height() + 200);
    int i = 0;
    for (const char* box : {"DescText", "BitmapFileText", "VideoFileText"}) {
        EXPECT_EQ(child<QWidget>(box)->width(), boxWidths[size_t(i++)] + 300) << box;
    }
}

// On a shared database the query asks for a station under the year.
TEST_F(ManageScreen, QueryByStationFitsItsDialog) {
    QueryDialog dialog(nullptr, true);
    dialog.show();
    const auto shown =
        testing::waitForTopLevelWindow(dialog.windowTitle().toStdString(), dialog.size(), 10000);
    ASSERT_TRUE(shown);
    testing::processEventsFor(300);
    EXPECT_EQ(testing::layoutFaults(dialog), std::vector<std::string>{});
    EXPECT_TRUE(testing::saveScreenshot(testing::grabScreen(*shown), "manage_query_station"));
}

}  // namespace
}  // namespace zelkor::manage
