// The virtual card's capture driver as the capture window presents it.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/qt/window.h"
#include "tests/capture/capture_rig.h"
#include "vcard/avi_reader.h"
#include "vcard/y4m.h"
#include "vorrak/detection/frame_bitmap.h"

namespace zelkor::test {
namespace {

namespace vf = platform::video_format;
namespace msg = platform::capture_message;

std::vector<uint8_t> readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<uint8_t> frameFormat(int w, int h, uint16_t bits = 8, uint32_t codec = vf::Rgb) {
    return vf::encode({vf::FrameHeaderSize, w, h, bits, codec, 0, 0, 0});
}

std::vector<uint8_t> recordingFormat(uint32_t codec, uint32_t mode,
                                     uint32_t tag = vf::RecordingTag) {
    return vf::encode({vf::RecordingHeaderSize, 352, 240, 24, codec, 0, mode, tag});
}

vf::Header currentFormat(vcard::VirtualCaptureWindow& w) {
    vf::Header h;
    EXPECT_TRUE(vf::decode(w.getVideoFormat(), h));
    return h;
}

TEST(CaptureDriver, ConnectsOnlyTheCardsIndex) {
    CaptureRig rig;
    platform::CaptureStatus status;
    EXPECT_FALSE(rig.window.getStatus(status));
    EXPECT_FALSE(rig.window.driverConnect(10));
    EXPECT_FALSE(rig.window.driverConnect(rig.cardIndex() + 1));
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));

    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.uiImageWidth, 352u);
    EXPECT_EQ(status.uiImageHeight, 240u);
    EXPECT_EQ(status.fAudioHardware, 0u);
    // The driver's own recording format until told otherwise.
    const std::vector<uint8_t> format = rig.window.getVideoFormat();
    ASSERT_EQ(format.size(), vf::RecordingHeaderSize);
    const vf::Header h = currentFormat(rig.window);
    EXPECT_EQ(h.compression, vf::Zkv2);
    EXPECT_EQ(h.codecMode, vf::Zkv2Mode);
    EXPECT_EQ(h.sizeImage, 352u * 240u * 3u);

    EXPECT_TRUE(rig.window.driverDisconnect());
    EXPECT_FALSE(rig.window.getStatus(status));
    EXPECT_FALSE(rig.window.grabFrameNoStop());
    EXPECT_TRUE(rig.window.getVideoFormat().empty());
}

TEST(CaptureDriver, FollowsTheStandardAndItsConfiguration) {
    CaptureRig pal({}, 50);
    ASSERT_TRUE(pal.window.driverConnect(pal.cardIndex()));
    EXPECT_EQ(currentFormat(pal.window).height, 288);

    vcard::CaptureDriverConfig config;
    config.audioHardware = true;
    config.size = {176, 144};
    config.acceptZkv2 = false;
    CaptureRig rig(config);
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    platform::CaptureStatus status;
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.fAudioHardware, 1u);
    EXPECT_EQ(status.uiImageWidth, 176u);
    EXPECT_EQ(currentFormat(rig.window).compression, vf::Zkv1);
}

TEST(CaptureDriver, TheCardHandsOutADriverWithItsConfiguredOptions) {
    QApplication& app = qtApp();
    static_cast<void>(app);
    platform::VirtualClock clock;
    vcard::VcardConfig config;
    config.capture.audioHardware = true;
    config.capture.acceptZkv2 = false;
    vcard::VirtualCard card(config, clock, std::make_unique<PatternSource>(60), nullptr);
    EXPECT_EQ(card.captureDriver().createCaptureWindow(nullptr), nullptr)
        << "the card model alone has no window library";
    vcard::installCaptureWindows(card);
    const auto window = card.captureDriver().createCaptureWindow(nullptr);
    ASSERT_TRUE(window->driverConnect(0));
    platform::CaptureStatus status;
    ASSERT_TRUE(window->getStatus(status));
    EXPECT_EQ(status.fAudioHardware, 1u);
    EXPECT_FALSE(window->setVideoFormat(recordingFormat(vf::Zkv2, vf::Zkv2Mode)));
    EXPECT_TRUE(window->setVideoFormat(recordingFormat(vf::Zkv1, vf::Zkv1Mode)));
}

TEST(CaptureDriver, TakesOnlyTheFormatsItKnows) {
    vcard::CaptureDriverConfig onlyOld;
    onlyOld.acceptZkv2 = false;
    CaptureRig rig(onlyOld);
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));

    EXPECT_TRUE(rig.window.setVideoFormat(frameFormat(352, 240)));
    EXPECT_EQ(rig.window.getVideoFormat().size(), vf::FrameHeaderSize);
    EXPECT_TRUE(rig.window.setVideoFormat(frameFormat(720, 576, 24)));
    EXPECT_TRUE(rig.window.setVideoFormat(frameFormat(352, 288, 16, vf::Uyvy)));

    EXPECT_FALSE(rig.window.setVideoFormat(recordingFormat(vf::Zkv2, vf::Zkv2Mode)));
    EXPECT_TRUE(rig.window.setVideoFormat(recordingFormat(vf::Zkv1, vf::Zkv1Mode)));
    EXPECT_FALSE(rig.window.setVideoFormat(recordingFormat(vf::Zkv1, vf::Zkv2Mode)));
    EXPECT_FALSE(rig.window.setVideoFormat(recordingFormat(vf::Zkv1, vf::Zkv1Mode, 0)));
    EXPECT_FALSE(rig.window.setVideoFormat(frameFormat(350, 240)));  // no such size
    EXPECT_FALSE(rig.window.setVideoFormat(frameFormat(352, 240, 4)));
    std::vector<uint8_t> cut = frameFormat(352, 240);
    cut.resize(39);
    EXPECT_FALSE(rig.window.setVideoFormat(cut));
    // Refusals leave the last accepted format.
    EXPECT_EQ(currentFormat(rig.window).compression, vf::Zkv1);
}

TEST(CaptureDriver, GrabbedFrameIsTheSourceLuminanceOfThatMoment) {
    CaptureRig rig;
    TempDir dir;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.setPreview(true));
    ASSERT_TRUE(rig.window.setVideoFormat(frameFormat(352, 240)));
    rig.clock.advance(1234);  // field 74 at 60 fields a second
    ASSERT_TRUE(rig.window.grabFrameNoStop());
    const std::string path = dir.file("work0.bmp");
    ASSERT_TRUE(rig.window.fileSaveDib(path));

    vorrak::FrameImage frame;
    vorrak::LastFrameRead last;
    ASSERT_EQ(vorrak::ReadFrameBitmap(path, frame, last), vorrak::kFrameReadOk);
    EXPECT_EQ(frame.width, 352);
    EXPECT_EQ(frame.height, 240);
    ASSERT_EQ(frame.colourCount, 256u);
    EXPECT_EQ(frame.colourTable()[4 * 200], 200);
    EXPECT_EQ(readAll(path).size(), 14u + 40u + 1024u + 352u * 240u);
    for (int row = 0; row < 4; ++row) {
        for (int column = 0; column < 4; ++column) {
            const int x = (column * 180 + 90) * 352 / 720;
            const int y = row * 60 + 30;  // from the top
            const uint8_t pixel = frame.pixels()[size_t(239 - y) * 352 + size_t(x)];
            EXPECT_EQ(pixel, PatternSource::luma(column, row, 74)) << column << "," << row;
        }
    }
    // The preview kept running through the grab.
    platform::CaptureStatus status;
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.fLiveWindow, 1u);
}

// The live picture is made only while the window is on the screen: none
// while it is hidden or minimised, and again once it is back.
TEST(CaptureDriver, MakesNoLivePictureNobodySees) {
    CaptureRig rig;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.setPreview(true));
    QWidget* window = platform::widgetOf(rig.window.window());
    const auto picturesWithin = [](int ms) {
        const int before = PatternSource::renders;
        QElapsedTimer t;
        t.start();
        while (t.elapsed() < ms) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return PatternSource::renders - before;
    };
    window->show();
    EXPECT_GT(picturesWithin(400), 0);
    window->hide();
    EXPECT_EQ(picturesWithin(400), 0);
    window->showMinimized();
    EXPECT_EQ(picturesWithin(400), 0);
    window->showNormal();
    EXPECT_GT(picturesWithin(400), 0);
}

// Work frames are saved under fixed names another user of the folder can
// plant links under: the link is replaced by the frame, and what it led to
// stays as it was; a clip is not written through a link either.
TEST(CaptureDriver, ReplacesAPlantedLinkInsteadOfWritingThroughIt) {
    CaptureRig rig;
    TempDir dir;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.grabFrameNoStop());
    const std::string victim = dir.write("victim.txt", "keep me");
    const std::string work = dir.file("work0.bmp");
    std::filesystem::create_symlink(victim, work);
    ASSERT_TRUE(rig.window.fileSaveDib(work));
    EXPECT_EQ(readAll(victim), std::vector<uint8_t>({'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    EXPECT_FALSE(std::filesystem::is_symlink(work));
    EXPECT_EQ(readAll(work).size(), 14u + 40u + 352u * 240u * 3u);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              2)
        << "no temporary file is left behind";

    // A frame saved again is written into the same file, cut to its size;
    // a second name planted on it (a hard link) gets a file of its own.
    const auto inode = [](const std::string& path) {
        struct stat st {};
        return ::stat(path.c_str(), &st) == 0 ? st.st_ino : 0;
    };
    const ino_t before = inode(work);
    std::filesystem::resize_file(work, 1u << 20);
    ASSERT_TRUE(rig.window.fileSaveDib(work));
    EXPECT_EQ(inode(work), before);
    EXPECT_EQ(readAll(work).size(), 14u + 40u + 352u * 240u * 3u);
    const std::string linked = dir.file("linked.bmp");
    std::filesystem::create_hard_link(work, linked);
    std::filesystem::resize_file(linked, 5);
    ASSERT_TRUE(rig.window.fileSaveDib(work));
    EXPECT_EQ(readAll(linked).size(), 5u);
    EXPECT_EQ(readAll(work).size(), 14u + 40u + 352u * 240u * 3u);
    std::filesystem::remove(linked);

    const std::string clip = dir.file("clip.avi");
    std::filesystem::create_symlink(victim, clip);
    EXPECT_FALSE(rig.window.fileSetCaptureFile(clip));
    EXPECT_EQ(readAll(victim).size(), 7u);
}

TEST(CaptureDriver, SavesEveryFormatAsABitmapOthersRead) {
    CaptureRig rig;
    TempDir dir;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    EXPECT_FALSE(rig.window.fileSaveDib(dir.file("none.bmp")));  // nothing grabbed yet
    ASSERT_TRUE(rig.window.grabFrameNoStop());
    const std::string colour = dir.file("colour.bmp");
    ASSERT_TRUE(rig.window.fileSaveDib(colour));  // the recording format saves as 24 bits
    EXPECT_EQ(readAll(colour).size(), 14u + 40u + 352u * 240u * 3u);
    if (std::system("identify -version > /dev/null 2>&1") == 0) {
        const std::string cmd =
            "identify -format '%w %h %z' '" + colour + "' > " + dir.file("id.txt");
        ASSERT_EQ(std::system(cmd.c_str()), 0);
        std::ifstream id(dir.file("id.txt"));
        std::string line;
        std::getline(id, line);
        EXPECT_EQ(line, "352 240 8");
    }
    ASSERT_TRUE(rig.window.setVideoFormat(frameFormat(176, 144, 16, vf::Uyvy)));
    ASSERT_TRUE(rig.window.grabFrameNoStop());
    ASSERT_TRUE(rig.window.fileSaveDib(dir.file("uyvy.bmp")));
    const std::vector<uint8_t> uyvy = readAll(dir.file("uyvy.bmp"));
    ASSERT_EQ(uyvy.size(), 14u + 40u + 176u * 144u * 2u);
    EXPECT_EQ(uyvy[14 + 16], 'U');
    EXPECT_EQ(uyvy[54], 110);  // first U of the bottom row
    EXPECT_FALSE(rig.window.fileSaveDib(dir.path() + "/missing/x.bmp"));
}

TEST(CaptureDriver, WritesOnlyRegularFilesNoSourceReads) {
    QApplication& app = qtApp();
    static_cast<void>(app);
    TempDir dir;
    const std::string clip = "YUV4MPEG2 W2 H2 Cmono\nFRAME\nabcd";
    const std::string source = dir.write("source.y4m", clip);
    std::string error;
    auto y4m = vcard::Y4mSource::open(source, 60, error);
    ASSERT_TRUE(y4m) << error;
    platform::VirtualClock clock;
    vcard::VirtualCard card(vcard::VcardConfig{}, clock, std::move(y4m), nullptr);
    vcard::VirtualCaptureWindow window(card, clock, {}, nullptr);
    ASSERT_TRUE(window.driverConnect(0));
    ASSERT_TRUE(window.grabFrameNoStop());

    std::filesystem::create_symlink(source, dir.file("link.avi"));
    const std::string fifo = dir.file("pipe.avi");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    // With a reader at the other end, opening the FIFO to write would not
    // even wait; it is refused all the same.
    const int reader = ::open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    for (const std::string& path : {source, dir.file("link.avi"), fifo, dir.path()}) {
        EXPECT_FALSE(window.fileSetCaptureFile(path)) << path;
        EXPECT_FALSE(window.fileSaveDib(path)) << path;
    }
    ::close(reader);
    EXPECT_EQ(readAll(source), std::vector<uint8_t>(clip.begin(), clip.end()))
        << "the source is untouched";
    EXPECT_TRUE(window.fileSetCaptureFile(dir.file("clip.avi")));
    EXPECT_TRUE(window.fileSaveDib(dir.file("frame.bmp")));

    // A frame thrown away into a null device goes into the device, which
    // stays one (a node of our own: making one needs root).
    const std::string null = dir.file("null");
    if (::mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        EXPECT_TRUE(window.fileSaveDib(null));
        struct stat st {};
        EXPECT_TRUE(::stat(null.c_str(), &st) == 0 && S_ISCHR(st.st_mode));
    }
}

TEST(CaptureDriver, FormatDialogOffersTheCardsSizes) {
    CaptureRig rig;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    QStringList offered;
    QTimer::singleShot(0, [&offered] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* sizes = dialog->findChild<QComboBox*>("imageSize");
        ASSERT_NE(sizes, nullptr);
        for (int i = 0; i < sizes->count(); ++i) {
            offered << sizes->itemText(i);
        }
        sizes->setCurrentIndex(sizes->findText("352 x 288"));
        dialog->accept();
    });
    ASSERT_TRUE(rig.window.dlgVideoFormat());
    EXPECT_EQ(offered.join(","),
              "160 x 120,176 x 144,320 x 240,352 x 240,352 x 288,640 x 480,704 x 480,"
              "720 x 480,720 x 576");
    platform::CaptureStatus status;
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.uiImageHeight, 288u);
    EXPECT_EQ(currentFormat(rig.window).compression, vf::Zkv2);  // only the size changed

    QTimer::singleShot(0, [] { QApplication::activeModalWidget()->close(); });
    EXPECT_FALSE(rig.window.dlgVideoFormat());
}

struct Recorded {
    std::vector<std::pair<int, std::string>> status;
    std::vector<std::pair<int, std::string>> errors;
};

void listen(vcard::VirtualCaptureWindow& window, Recorded& r) {
    window.setStatusCallback([&r](int n, std::string_view t) {
        r.status.emplace_back(n, std::string(t));
        return 1;
    });
    window.setErrorCallback([&r](int n, std::string_view t) {
        r.errors.emplace_back(n, std::string(t));
        return 1;
    });
}

platform::CaptureParms parmsFor(uint32_t fps, uint32_t seconds) {
    platform::CaptureParms p;
    p.dwRequestMicroSecPerFrame = uint32_t(1000000.0 / fps + 0.5);
    p.wPercentDropForError = 100;
    p.fLimitEnabled = seconds > 0 ? 1 : 0;
    p.wTimeLimit = seconds;
    return p;
}

TEST(CaptureSequence, RecordsTheTimeLimitAtTheRateWithTimersRunning) {
    CaptureRig rig;
    TempDir dir;
    Recorded heard;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    listen(rig.window, heard);
    int ticks = 0;
    rig.timers.setTimer(&rig, 4, 400, [&ticks] { ++ticks; });
    const std::string clip = dir.file("error1.avi");
    ASSERT_TRUE(rig.window.setSequenceSetup(parmsFor(30, 2)));
    ASSERT_TRUE(rig.window.fileSetCaptureFile(clip));
    ASSERT_TRUE(rig.window.sequence());

    EXPECT_GE(ticks, 4);  // the event loop went on meanwhile
    platform::CaptureStatus status;
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.dwCurrentVideoFrame, 60u);
    EXPECT_EQ(status.fCapturingNow, 0u);
    EXPECT_TRUE(heard.errors.empty());

    // The library's status numbers, in their order.
    ASSERT_GE(heard.status.size(), 6u);
    EXPECT_EQ(heard.status[0].first, msg::CaptureInit);
    EXPECT_EQ(heard.status[1].first, msg::SequencePrompt);
    EXPECT_EQ(heard.status[2].first, msg::VideoCurrent);
    EXPECT_EQ(heard.status[2].second, "Captured 1 frames (0 dropped) 0.000 sec.");
    const size_t n = heard.status.size();
    EXPECT_EQ(heard.status[n - 3].first, msg::CaptureFinished);
    EXPECT_EQ(heard.status[n - 2].first, msg::VideoOnly);
    EXPECT_EQ(heard.status[n - 1].first, msg::Clear);

    const std::vector<uint8_t> bytes = readAll(clip);
    vcard::AviInfo info;
    std::string reason;
    ASSERT_TRUE(vcard::readAvi(bytes, info, reason)) << reason;
    EXPECT_EQ(info.riffSize + 8, bytes.size());
    EXPECT_EQ(info.microSecPerFrame, 33333u);
    EXPECT_EQ(info.totalFrames, 60u);
    EXPECT_EQ(info.length, 60u);
    EXPECT_EQ(info.scale, 1u);
    EXPECT_EQ(info.rate, 30u);
    EXPECT_EQ(info.width, 352u);
    EXPECT_EQ(info.height, 240u);
    EXPECT_EQ(info.handler, platform::fourcc("MJPG"));
    EXPECT_EQ(info.compression, platform::fourcc("MJPG"));
    EXPECT_TRUE(info.hasIndex);
    EXPECT_FALSE(info.truncated);
    ASSERT_EQ(info.frames.size(), 60u);
    ASSERT_EQ(info.index.size(), 60u);
    for (size_t i = 0; i < 60; ++i) {
        EXPECT_EQ(info.moviStart + info.index[i].offset + 8, info.frames[i].offset);
        EXPECT_EQ(info.index[i].size, info.frames[i].size);
        EXPECT_EQ(bytes[info.frames[i].offset], 0xFF);  // a JPEG start marker
        EXPECT_EQ(bytes[info.frames[i].offset + 1], 0xD8);
    }

    if (!haveFfprobe()) {
        GTEST_SKIP() << "ffprobe is not installed";
    }
    const auto probe = probeClip(clip);
    EXPECT_EQ(probe.at("codec_name"), "mjpeg");
    EXPECT_EQ(probe.at("width"), "352");
    EXPECT_EQ(probe.at("height"), "240");
    EXPECT_EQ(probe.at("r_frame_rate"), "30/1");
    EXPECT_EQ(probe.at("nb_read_frames"), "60");
}

TEST(CaptureSequence, StopsOnTheAbortKeyOrStopAndKeepsTheClip) {
    CaptureRig rig;
    TempDir dir;
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.setVideoFormat(frameFormat(352, 240)));  // grey frames
    ASSERT_TRUE(rig.window.setSequenceSetup(parmsFor(15, 0)));      // no time limit
    rig.timers.setTimer(&rig, 1, 1000, [&rig] { EXPECT_TRUE(rig.window.stop()); });
    const std::string clip = dir.file("manual0.avi");
    ASSERT_TRUE(rig.window.fileSetCaptureFile(clip));
    ASSERT_TRUE(rig.window.sequence());
    platform::CaptureStatus status;
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_EQ(status.dwCurrentVideoFrame, 15u);
    EXPECT_FALSE(rig.window.stop());  // nothing runs any more
    rig.timers.killTimer(&rig, 1);

    // Escape through the event loop, with the window's own waiting.
    rig.window.setEventPump(nullptr);
    QTimer::singleShot(0, platform::widgetOf(rig.window.window()), [&rig] {
        QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
        QCoreApplication::sendEvent(platform::widgetOf(rig.window.window()), &escape);
    });
    ASSERT_TRUE(rig.window.fileSetCaptureFile(clip));
    ASSERT_TRUE(rig.window.sequence());
    ASSERT_TRUE(rig.window.getStatus(status));
    EXPECT_LT(status.dwCurrentVideoFrame, 3u);
    if (haveFfprobe()) {
        EXPECT_FALSE(probeClip(clip).empty());
    }
}

TEST(CaptureSequence, EndsCleanlyAtTheSizeLimit) {
    vcard::CaptureDriverConfig config;
    config.maxClipBytes = 200000;
    CaptureRig rig(config);
    TempDir dir;
    Recorded heard;
    listen(rig.window, heard);
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.setSequenceSetup(parmsFor(30, 60)));
    const std::string clip = dir.file("big.avi");
    ASSERT_TRUE(rig.window.fileSetCaptureFile(clip));
    ASSERT_TRUE(rig.window.sequence());
    EXPECT_TRUE(heard.errors.empty());
    const std::vector<uint8_t> bytes = readAll(clip);
    EXPECT_LE(bytes.size(), 200000u);
    vcard::AviInfo info;
    std::string reason;
    ASSERT_TRUE(vcard::readAvi(bytes, info, reason)) << reason;
    EXPECT_GT(info.frames.size(), 3u);
    EXPECT_LT(info.frames.size(), 1800u);
    EXPECT_EQ(info.index.size(), info.frames.size());
    EXPECT_EQ(info.totalFrames, info.frames.size());
    if (haveFfprobe()) {
        EXPECT_EQ(probeClip(clip).at("nb_read_frames"), std::to_string(info.frames.size()));
    }
}

TEST(CaptureSequence, ReportsFilesItCannotWrite) {
    CaptureRig rig;
    TempDir dir;
    Recorded heard;
    listen(rig.window, heard);
    ASSERT_TRUE(rig.window.driverConnect(rig.cardIndex()));
    ASSERT_TRUE(rig.window.setSequenceSetup(parmsFor(30, 1)));
    EXPECT_FALSE(rig.window.fileSetCaptureFile(dir.path()));  // a folder
    EXPECT_FALSE(rig.window.fileSetCaptureFile(dir.path() + "/no/such.avi"));
    if (std::filesystem::exists("/dev/full")) {
        ASSERT_TRUE(rig.window.fileSetCaptureFile("/dev/full"));
        EXPECT_FALSE(rig.window.sequence());
        ASSERT_FALSE(heard.errors.empty());
        EXPECT_EQ(heard.errors[0].first, msg::WriteError);
        EXPECT_EQ(heard.errors[0].second,
                  "Error writing to file '/dev/full'.\nThe disk may be full.");
    }
}

}  // namespace
}  // namespace zelkor::test
