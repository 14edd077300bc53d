// Build-time generator of the control panel's skin, the splash picture and
// the program icon. Usage: make_panel_skin OUT.cpp BITMAP_DIR
//
// Each picture is drawn in true colour, then mapped onto one shared
// 256-colour table and written as an 8-bit bitmap file, both into
// BITMAP_DIR (to look at) and as byte arrays into OUT.cpp (compiled in).
//
// The look: a dark brushed-metal body with a recessed state display, a
// row of small title keys, large lit keys for start, stop and setup, and a
// camera-lens emblem. The colour table holds long ramps of the few hues the
// skin uses, so gradients and anti-aliased edges stay smooth in 8 bits.

#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "formats/bitmap_info.h"
#include "formats/bmp_file.h"
#include "vorrak/panel/panel.h"
#include "vorrak/panel/skin.h"

namespace {

namespace formats = zelkor::formats;
namespace vorrak = zelkor::vorrak;
using vorrak::PanelRect;

QColor mix(const QColor& a, const QColor& b, double t) {
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// `count` entries from `dark` through `mid` to `light`.
void addRamp(QList<QRgb>& table, int count, QColor dark, QColor mid, QColor light) {
    for (int i = 0; i < count; ++i) {
        const double t = double(i) / (count - 1);
        table.push_back(t < 0.5 ? mix(dark, mid, t * 2).rgb() : mix(mid, light, t * 2 - 1).rgb());
    }
}

QList<QRgb> colourTable() {
    QList<QRgb> table;
    addRamp(table, 112, QColor(6, 7, 9), QColor(52, 56, 64), QColor(150, 156, 168));
    addRamp(table, 32, QColor(152, 158, 170), QColor(205, 209, 216), QColor(255, 255, 255));
    addRamp(table, 28, QColor(2, 16, 8), QColor(20, 190, 90), QColor(200, 255, 215));
    addRamp(table, 28, QColor(22, 4, 4), QColor(215, 48, 40), QColor(255, 200, 190));
    addRamp(table, 32, QColor(3, 12, 24), QColor(30, 140, 220), QColor(200, 235, 255));
    addRamp(table, 24, QColor(26, 16, 3), QColor(235, 160, 30), QColor(255, 232, 175));
    return table;
}

// A dark surface with fine horizontal streaks, lighter towards the top.
void brushedMetal(QImage& image, QRect area, QColor top, QColor bottom, uint32_t seed) {
    std::mt19937 random(seed);
    std::normal_distribution<double> grain(0.0, 1.0);
    std::vector<double> streak(size_t(area.width()) + 8, 0.0);
    for (int y = area.top(); y <= area.bottom(); ++y) {
        const double t = double(y - area.top()) / std::max(1, area.height() - 1);
        const QColor base = mix(top, bottom, t);
        const double rowShade = grain(random) * 1.4;
        // Streaks: noise smeared along the row.
        double smooth = 0;
        for (size_t i = 0; i < streak.size(); ++i) {
            smooth = smooth * 0.82 + grain(random) * 0.18;
            streak[i] = smooth;
        }
        for (int x = area.left(); x <= area.right(); ++x) {
            const double d = rowShade + streak[size_t(x - area.left())] * 9.0;
            image.setPixelColor(x, y,
                                QColor(std::clamp(int(base.red() + d), 0, 255),
                                       std::clamp(int(base.green() + d), 0, 255),
                                       std::clamp(int(base.blue() + d * 1.1), 0, 255)));
        }
    }
}

QRectF rectOf(const PanelRect& r) {
    return QRectF(r.left, r.top, r.width(), r.height());
}

QFont uiFont(int pixels, int weight) {
    QFont font("DejaVu Sans");
    font.setPixelSize(pixels);
    font.setWeight(QFont::Weight(weight));
    font.setHintingPreference(QFont::PreferFullHinting);
    return font;
}

// A recessed groove around `r`: dark above and left, light below and right.
void groove(QPainter& p, QRectF r, double radius) {
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(4, 5, 7), 1.0));
    p.drawRoundedRect(r.adjusted(-0.5, -0.5, 0.5, 0.5), radius, radius);
    p.setPen(QPen(QColor(92, 98, 110, 150), 1.0));
    p.drawRoundedRect(r.adjusted(-1.5, -1.5, 1.5, 1.5), radius + 1, radius + 1);
}

// The camera-lens emblem of the product.
void drawLens(QPainter& p, QPointF c, double r) {
    p.setPen(Qt::NoPen);
    QRadialGradient rim(c - QPointF(r * 0.3, r * 0.4), r * 1.5);
    rim.setColorAt(0, QColor(178, 184, 196));
    rim.setColorAt(0.6, QColor(70, 75, 86));
    rim.setColorAt(1, QColor(18, 20, 24));
    p.setBrush(rim);
    p.drawEllipse(c, r, r);
    p.setBrush(QColor(10, 11, 14));
    p.drawEllipse(c, r * 0.84, r * 0.84);
    QRadialGradient glass(c + QPointF(r * 0.1, r * 0.15), r * 0.78);
    glass.setColorAt(0, QColor(40, 160, 235));
    glass.setColorAt(0.45, QColor(14, 70, 130));
    glass.setColorAt(1, QColor(4, 12, 24));
    p.setBrush(glass);
    p.drawEllipse(c, r * 0.76, r * 0.76);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(120, 210, 255, 170), std::max(1.0, r * 0.05)));
    p.drawEllipse(c, r * 0.48, r * 0.48);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(3, 6, 12));
    p.drawEllipse(c, r * 0.26, r * 0.26);
    p.setBrush(QColor(255, 255, 255, 210));
    p.drawEllipse(c + QPointF(-r * 0.3, -r * 0.32), r * 0.13, r * 0.09);
    p.setBrush(QColor(255, 255, 255, 90));
    p.drawEllipse(c + QPointF(r * 0.28, r * 0.3), r * 0.06, r * 0.05);
}

enum class KeyStyle { Start, Stop, Setup };

// One of the large keys, drawn over the panel's picture at (0, 0) of `p`.
void drawKey(QPainter& p, KeyStyle style, bool pressed) {
    const QRectF r(0.5, 0.5, vorrak::kButtonWidth - 1, vorrak::kButtonHeight - 1);
    QColor light;
    QColor dark;
    switch (style) {
        case KeyStyle::Start:
            light = QColor(60, 215, 120);
            dark = QColor(8, 110, 50);
            break;
        case KeyStyle::Stop:
            light = QColor(240, 90, 78);
            dark = QColor(128, 20, 18);
            break;
        case KeyStyle::Setup:
            light = QColor(118, 126, 142);
            dark = QColor(44, 48, 56);
            break;
    }
    if (pressed) {
        light = light.darker(135);
        dark = dark.darker(125);
    }
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, pressed ? dark : light);
    body.setColorAt(1, pressed ? light : dark);
    p.setPen(QPen(QColor(5, 6, 8), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(r, 4, 4);
    // A highlight along the top edge, or a shadow inside when pressed.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(pressed ? QColor(0, 0, 0, 110) : QColor(255, 255, 255, 110), 1.0));
    p.drawLine(QPointF(4, pressed ? 2 : 1.5), QPointF(vorrak::kButtonWidth - 5, pressed ? 2 : 1.5));

    const double shift = pressed ? 1 : 0;
    const QColor ink(255, 255, 255);
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const QPointF g(11 + shift, 9 + shift);
    QString label;
    switch (style) {
        case KeyStyle::Start: {
            QPainterPath play;
            play.moveTo(g + QPointF(-3, -4.5));
            play.lineTo(g + QPointF(4.5, 0));
            play.lineTo(g + QPointF(-3, 4.5));
            play.closeSubpath();
            p.drawPath(play);
            label = "START";
            break;
        }
        case KeyStyle::Stop:
            p.drawRoundedRect(QRectF(g - QPointF(4, 4), QSizeF(8, 8)), 1, 1);
            label = "STOP";
            break;
        case KeyStyle::Setup: {
            p.setPen(QPen(ink, 1.6, Qt::SolidLine, Qt::RoundCap));
            for (int i = 0; i < 8; ++i) {
                const double a = i * M_PI / 4;
                p.drawLine(g + QPointF(std::cos(a), std::sin(a)) * 3.2,
                           g + QPointF(std::cos(a), std::sin(a)) * 5.0);
            }
            p.setPen(QPen(ink, 1.6));
            p.setBrush(Qt::NoBrush);
            p.drawEllipse(g, 2.8, 2.8);
            label = "SETUP";
            break;
        }
    }
    p.setFont(uiFont(9, QFont::Bold));
    p.setPen(QColor(0, 0, 0, 120));
    const QRectF text(20 + shift, 1 + shift, vorrak::kButtonWidth - 24, vorrak::kButtonHeight - 2);
    p.drawText(text.translated(0, 1), Qt::AlignCenter, label);
    p.setPen(ink);
    p.drawText(text, Qt::AlignCenter, label);
}

enum class TitleGlyph { Help, Exit, Minimise };

// One of the small title keys, 10 × 13, at its hit area.
void drawTitleKey(QPainter& p, const PanelRect& area, TitleGlyph glyph, bool pressed) {
    const QRectF r = rectOf(area).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(r.topLeft(), r.bottomLeft());
    body.setColorAt(0, pressed ? QColor(22, 24, 28) : QColor(104, 110, 124));
    body.setColorAt(1, pressed ? QColor(56, 60, 70) : QColor(38, 41, 48));
    p.setPen(QPen(QColor(4, 5, 6), 1.0));
    p.setBrush(body);
    p.drawRoundedRect(r, 2, 2);
    QColor ink = glyph == TitleGlyph::Exit ? QColor(255, 120, 105) : QColor(225, 232, 242);
    if (pressed) {
        ink = ink.darker(130);
    }
    const double s = pressed ? 1 : 0;
    const double cx = area.left + 5 + s * 0.5;
    const double cy = area.top + 6.5 + s;
    p.setRenderHint(QPainter::Antialiasing, false);
    p.setPen(QPen(ink, 1));
    switch (glyph) {
        case TitleGlyph::Help: {
            p.setFont(uiFont(10, QFont::Bold));
            p.setRenderHint(QPainter::Antialiasing, true);
            p.drawText(rectOf(area).translated(s * 0.5, s + 0.5), Qt::AlignCenter, "?");
            break;
        }
        case TitleGlyph::Exit:
            p.drawLine(QPointF(cx - 2.5, cy - 2.5), QPointF(cx + 2.5, cy + 2.5));
            p.drawLine(QPointF(cx - 2.5, cy + 2.5), QPointF(cx + 2.5, cy - 2.5));
            p.drawLine(QPointF(cx - 1.5, cy - 2.5), QPointF(cx + 2.5, cy + 1.5));
            p.drawLine(QPointF(cx - 2.5, cy + 1.5), QPointF(cx + 1.5, cy - 2.5));
            break;
        case TitleGlyph::Minimise:
            p.drawLine(QPointF(cx - 2.5, cy + 2), QPointF(cx + 2.5, cy + 2));
            p.drawLine(QPointF(cx - 2.5, cy + 3), QPointF(cx + 2.5, cy + 3));
            break;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
}

void drawTitleKeys(QPainter& p, bool pressed) {
    drawTitleKey(p, vorrak::kHitAreas[2].area, TitleGlyph::Help, pressed);
    drawTitleKey(p, vorrak::kHitAreas[3].area, TitleGlyph::Exit, pressed);
    drawTitleKey(p, vorrak::kHitAreas[4].area, TitleGlyph::Minimise, pressed);
}

QImage panelBackground(bool titleKeysPressed) {
    QImage image(vorrak::kPanelWidth, vorrak::kPanelHeight, QImage::Format_RGB32);
    brushedMetal(image, image.rect(), QColor(58, 62, 71), QColor(30, 32, 38), 193);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);

    // The title strip with the maker's name (the about button) and the
    // product's name.
    QLinearGradient strip(0, 0, 0, 24);
    strip.setColorAt(0, QColor(20, 22, 26, 235));
    strip.setColorAt(1, QColor(12, 13, 16, 235));
    p.fillRect(QRectF(1, 1, vorrak::kPanelWidth - 2, 22), strip);
    p.setPen(QPen(QColor(90, 96, 108), 1));
    p.drawLine(QPointF(1, 23.5), QPointF(vorrak::kPanelWidth - 2, 23.5));
    const PanelRect logo = vorrak::kHitAreas[5].area;
    QFont logoFont = uiFont(8, QFont::Black);
    logoFont.setLetterSpacing(QFont::AbsoluteSpacing, -0.3);
    p.setFont(logoFont);
    p.setPen(QColor(70, 175, 240));
    p.drawText(QRectF(logo.left - 1, logo.top - 3, logo.width() + 10, logo.height() + 6),
               Qt::AlignLeft | Qt::AlignVCenter, "ZELKOR");
    p.setFont(uiFont(9, QFont::DemiBold));
    p.setPen(QColor(185, 192, 204));
    p.drawText(QRectF(50, 3, 150, 16), Qt::AlignLeft | Qt::AlignVCenter, "OCULARA");
    p.setFont(uiFont(8, QFont::Normal));
    p.setPen(QColor(120, 128, 140));
    p.drawText(QRectF(114, 3, 120, 16), Qt::AlignLeft | Qt::AlignVCenter, "VIDEO SURVEILLANCE");
    // A power light at the far right of the strip.
    QRadialGradient led(QPointF(344, 11.5), 5);
    led.setColorAt(0, QColor(170, 255, 190));
    led.setColorAt(0.5, QColor(20, 200, 90));
    led.setColorAt(1, QColor(20, 200, 90, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(led);
    p.drawEllipse(QPointF(344, 11.5), 5, 5);

    // Under the title keys, their row's caption.
    p.setFont(uiFont(8, QFont::Normal));
    p.setPen(QColor(128, 136, 150));
    p.drawText(QRectF(56, 31, 160, 15), Qt::AlignLeft | Qt::AlignVCenter,
               "HELP  \xC2\xB7  EXIT  \xC2\xB7  HIDE");
    drawTitleKeys(p, titleKeysPressed);

    // The state display: a dark green glass, recessed.
    const QRectF display(20, 60, 196, 45);
    QLinearGradient glass(display.topLeft(), display.bottomLeft());
    glass.setColorAt(0, QColor(6, 22, 13));
    glass.setColorAt(1, QColor(3, 12, 7));
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawRoundedRect(display, 3, 3);
    groove(p, display, 3);
    p.setFont(uiFont(7, QFont::Normal));
    p.setPen(QColor(40, 130, 80));
    p.drawText(QRectF(25, 62, 70, 10), Qt::AlignLeft | Qt::AlignVCenter, "STATE");
    p.drawText(QRectF(101, 62, 50, 10), Qt::AlignLeft | Qt::AlignVCenter, "SIGNAL");
    p.drawText(QRectF(141, 62, 69, 10), Qt::AlignRight | Qt::AlignVCenter, "INPUT");
    p.setPen(QPen(QColor(20, 70, 42), 1));
    p.drawLine(QPointF(25, 87.5), QPointF(210, 87.5));

    // The tray the two large keys sit in.
    const QRectF tray(35, 111, 161, 28);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(14, 15, 18));
    p.drawRoundedRect(tray, 5, 5);
    groove(p, tray, 5);

    // The emblem on the right.
    const QRectF bay(228, 32, 122, 106);
    p.setBrush(QColor(16, 17, 21));
    p.drawRoundedRect(bay, 8, 8);
    groove(p, bay, 8);
    drawLens(p, bay.center() - QPointF(0, 6), 38);
    p.setFont(uiFont(7, QFont::Bold));
    p.setPen(QColor(110, 118, 132));
    p.drawText(QRectF(bay.left(), bay.bottom() - 15, bay.width(), 12), Qt::AlignCenter,
               "O C U L A R A");

    // Screws in the corners.
    for (const QPointF at : {QPointF(8, 132), QPointF(218, 132), QPointF(218, 34)}) {
        QRadialGradient screw(at - QPointF(1, 1), 4);
        screw.setColorAt(0, QColor(170, 176, 188));
        screw.setColorAt(1, QColor(40, 43, 50));
        p.setBrush(screw);
        p.setPen(QPen(QColor(8, 9, 11), 0.8));
        p.drawEllipse(at, 3, 3);
        p.setPen(QPen(QColor(20, 22, 26), 1));
        p.drawLine(at - QPointF(2, 0), at + QPointF(2, 0));
    }

    // The edge of the body, following its notched outline.
    QPolygonF outline;
    for (const auto& point : vorrak::kPanelShape) {
        outline << QPointF(point[0] + 0.5, point[1] + 0.5);
    }
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(110, 116, 128), 1));
    p.drawPolygon(outline);
    return image;
}

QImage key(const QImage& background, const PanelRect& at, KeyStyle style, bool pressed) {
    QImage image = background.copy(at.left, at.top, vorrak::kButtonWidth, vorrak::kButtonHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawKey(p, style, pressed);
    return image;
}

QImage splash() {
    QImage image(vorrak::kSplashWidth, vorrak::kSplashHeight, QImage::Format_RGB32);
    brushedMetal(image, image.rect(), QColor(34, 37, 44), QColor(9, 10, 13), 190);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    drawLens(p, QPointF(240, 128), 72);
    p.setFont(uiFont(34, QFont::Light));
    p.setPen(QColor(236, 240, 246));
    p.drawText(QRectF(0, 214, 480, 44), Qt::AlignCenter, "Zelkor Oculara");
    p.setFont(uiFont(13, QFont::Normal));
    p.setPen(QColor(110, 190, 240));
    p.drawText(QRectF(0, 258, 480, 20), Qt::AlignCenter, "V I D E O   S U R V E I L L A N C E");
    p.setPen(QPen(QColor(30, 140, 220), 2));
    p.drawLine(QPointF(190, 292), QPointF(290, 292));
    p.setFont(uiFont(11, QFont::Normal));
    p.setPen(QColor(140, 148, 160));
    p.drawText(QRectF(0, 306, 480, 18), Qt::AlignCenter,
               "Preparing the video hardware\xE2\x80\xA6");
    p.setFont(uiFont(10, QFont::Normal));
    p.setPen(QColor(96, 102, 114));
    p.drawText(QRectF(0, 334, 468, 16), Qt::AlignRight | Qt::AlignVCenter, "Version 1.1");
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(70, 76, 88), 1));
    p.drawRect(QRectF(0.5, 0.5, vorrak::kSplashWidth - 1, vorrak::kSplashHeight - 1));
    return image;
}

QImage icon() {
    QImage image(vorrak::kIconSize, vorrak::kIconSize, QImage::Format_RGB32);
    // The corners take the colour of the table's last entry, white, which
    // the program makes transparent.
    image.fill(QColor(255, 255, 255));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient body(0, 0, 0, 32);
    body.setColorAt(0, QColor(62, 66, 76));
    body.setColorAt(1, QColor(22, 24, 29));
    p.setPen(Qt::NoPen);
    p.setBrush(body);
    p.drawRoundedRect(QRectF(0, 0, 32, 32), 6, 6);
    drawLens(p, QPointF(16, 16), 12.5);
    return image;
}

// The picture in the shared colour table, as an 8-bit bitmap file.
std::vector<uint8_t> bitmapFile(const QImage& picture, const QList<QRgb>& table) {
    const QImage indexed =
        picture.convertToFormat(QImage::Format_Indexed8, table, Qt::ThresholdDither);
    formats::BitmapInfoHeader info;
    info.width = indexed.width();
    info.height = indexed.height();
    info.planes = 1;
    info.bitCount = 8;
    info.compression = 0;
    const auto rowBytes = uint32_t(formats::bmpRowBytes(uint32_t(indexed.width()), 8));
    info.sizeImage = rowBytes * uint32_t(indexed.height());
    info.clrUsed = uint32_t(table.size());
    std::vector<uint8_t> colours;
    for (const QRgb c : table) {
        colours.insert(colours.end(), {uint8_t(qBlue(c)), uint8_t(qGreen(c)), uint8_t(qRed(c)), 0});
    }
    std::vector<uint8_t> file = formats::encodeBmpHead(info, colours, info.sizeImage);
    // Bottom-up rows, each padded to four bytes.
    for (int y = indexed.height() - 1; y >= 0; --y) {
        const uchar* row = indexed.constScanLine(y);
        file.insert(file.end(), row, row + indexed.width());
        file.resize(file.size() + (rowBytes - uint32_t(indexed.width())), 0);
    }
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_panel_skin OUT.cpp BITMAP_DIR\n");
        return 2;
    }
    // Text is drawn with the desktop's fonts, which need an application,
    // but no display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    const QList<QRgb> table = colourTable();
    const QImage background = panelBackground(false);
    const PanelRect left = vorrak::kHitAreas[0].area;
    const PanelRect right = vorrak::kHitAreas[1].area;
    const std::vector<std::pair<int, QImage>> pictures{
        {vorrak::skin::PanelBackground, background},
        {vorrak::skin::PanelTitleButtonsPressed, panelBackground(true)},
        {vorrak::skin::StartNormal, key(background, left, KeyStyle::Start, false)},
        {vorrak::skin::StartPressed, key(background, left, KeyStyle::Start, true)},
        {vorrak::skin::StopNormal, key(background, left, KeyStyle::Stop, false)},
        {vorrak::skin::StopPressed, key(background, left, KeyStyle::Stop, true)},
        {vorrak::skin::SetupNormal, key(background, right, KeyStyle::Setup, false)},
        {vorrak::skin::SetupPressed, key(background, right, KeyStyle::Setup, true)},
        {vorrak::skin::Splash, splash()},
        {vorrak::skin::Icon, icon()},
    };

    std::ofstream out(argv[1], std::ios::binary);
    out << "// Made by make_panel_skin at build time.\n"
           "#include \"vorrak/panel/skin.h\"\n\n"
           "namespace zelkor::vorrak {\nnamespace {\n";
    for (const auto& [id, picture] : pictures) {
        const std::vector<uint8_t> file = bitmapFile(picture, table);
        std::ofstream(std::string(argv[2]) + "/" + std::to_string(id) + ".bmp", std::ios::binary)
            .write(reinterpret_cast<const char*>(file.data()), std::streamsize(file.size()));
        out << "constexpr uint8_t kBitmap" << id << "[] = {";
        for (size_t i = 0; i < file.size(); ++i) {
            out << (i % 24 == 0 ? "\n" : "") << int(file[i]) << ',';
        }
        out << "\n};\n";
    }
    out << "}  // namespace\n\nstd::span<const uint8_t> SkinBitmap(int id) {\n    switch (id) {\n";
    for (const auto& [id, picture] : pictures) {
        out << "        case " << id << ": return kBitmap" << id << ";\n";
    }
    out << "        default: return {};\n    }\n}\n\n}  // namespace zelkor::vorrak\n";
    return out.good() ? 0 : 1;
}
