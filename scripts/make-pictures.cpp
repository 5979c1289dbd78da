// Draws the viewer's pictures into res/: the splash picture, the
// application icon and the tool-bar and search-bar button images.
// Built as orv_make_pictures; run it by hand when a picture changes:
//   QT_QPA_PLATFORM=offscreen build/rel/orv_make_pictures res
#include <QFont>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdio>
#include <cstring>
#include <functional>

namespace {

QString g_dir;

void Save(const QImage& img, const QString& name) { img.save(g_dir + QLatin1Char('/') + name); }

void Icon(int id, const std::function<void(QPainter&)>& draw) {
    QImage img(16, 16, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, false);
    draw(p);
    p.end();
    Save(img, QStringLiteral("icons/%1.png").arg(id));
}

void Page(QPainter& p, int x, int y, int w, int h) {
    QPolygon poly;
    poly << QPoint(x, y) << QPoint(x + w - 4, y) << QPoint(x + w, y + 4) << QPoint(x + w, y + h)
         << QPoint(x, y + h);
    p.setPen(QColor(60, 60, 60));
    p.setBrush(Qt::white);
    p.drawPolygon(poly);
    p.drawLine(x + w - 4, y, x + w - 4, y + 4);
    p.drawLine(x + w - 4, y + 4, x + w, y + 4);
}

void Lines(QPainter& p, int x, int y, int w, int n) {
    p.setPen(QColor(90, 110, 150));
    for (int i = 0; i < n; ++i) p.drawLine(x, y + 2 * i, x + w, y + 2 * i);
}

void Letter(QPainter& p, const QString& s, QColor c, int px, QRect r = QRect(0, 0, 16, 16),
            bool bold = true) {
    QFont f(QStringLiteral("DejaVu Sans"));
    f.setPixelSize(px);
    f.setBold(bold);
    p.setFont(f);
    p.setPen(c);
    p.drawText(r, Qt::AlignCenter, s);
}

void Magnifier(QPainter& p, int x, int y) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(QPen(QColor(40, 40, 40), 1.5));
    p.setBrush(QColor(200, 230, 255));
    p.drawEllipse(QRectF(x, y, 7, 7));
    p.setPen(QPen(QColor(120, 80, 30), 2.2));
    p.drawLine(QPointF(x + 6.5, y + 6.5), QPointF(x + 10, y + 10));
    p.setRenderHint(QPainter::Antialiasing, false);
}

void Bubble(QPainter& p, QRectF r, QColor fill) {
    QPainterPath path;
    path.addRoundedRect(r, r.height() * 0.3, r.height() * 0.3);
    QPolygonF tail;
    tail << QPointF(r.left() + r.width() * 0.2, r.bottom() - 1)
         << QPointF(r.left() + r.width() * 0.12, r.bottom() + r.height() * 0.35)
         << QPointF(r.left() + r.width() * 0.38, r.bottom() - 1);
    QPainterPath t;
    t.addPolygon(tail);
    path = path.united(t);
    p.setBrush(fill);
    p.drawPath(path);
}

void AppIcon(int size) {
    QImage img(size, size, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.scale(size / 64.0, size / 64.0);
    QLinearGradient g(0, 0, 0, 64);
    g.setColorAt(0, QColor(38, 92, 160));
    g.setColorAt(1, QColor(20, 54, 104));
    p.setPen(Qt::NoPen);
    p.setBrush(g);
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 12, 12);
    // A thread of replies: bubbles joined by tree lines.
    p.setPen(QPen(QColor(255, 255, 255, 170), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(14, 24), QPointF(14, 46));
    p.drawLine(QPointF(14, 34), QPointF(24, 34));
    p.drawLine(QPointF(14, 46), QPointF(24, 46));
    p.setPen(Qt::NoPen);
    Bubble(p, QRectF(8, 8, 36, 14), QColor(255, 214, 92));
    Bubble(p, QRectF(24, 28, 30, 11), QColor(255, 255, 255));
    Bubble(p, QRectF(24, 41, 26, 11), QColor(168, 224, 255));
    p.end();
    Save(img, size == 64 ? QStringLiteral("orv.png") : QStringLiteral("orv-%1.png").arg(size));
}

void Splash() {
    QImage img(520, 150, QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setRenderHint(QPainter::TextAntialiasing, true);
    QLinearGradient g(0, 0, 520, 150);
    g.setColorAt(0, QColor(22, 56, 108));
    g.setColorAt(1, QColor(30, 118, 140));
    p.fillRect(img.rect(), g);
    // Faint message bubbles across the background.
    p.setPen(Qt::NoPen);
    for (int i = 0; i < 9; ++i) {
        const double x = 300 + (i * 53) % 230, y = 12 + (i * 37) % 120;
        Bubble(p, QRectF(x, y, 40 + (i % 3) * 14, 16), QColor(255, 255, 255, 18 + (i % 4) * 6));
    }
    // The reply tree at the left.
    p.setPen(QPen(QColor(255, 255, 255, 150), 3, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(36, 58), QPointF(36, 112));
    p.drawLine(QPointF(36, 84), QPointF(56, 84));
    p.drawLine(QPointF(36, 112), QPointF(56, 112));
    p.drawLine(QPointF(70, 118), QPointF(70, 128));
    p.setPen(Qt::NoPen);
    Bubble(p, QRectF(24, 26, 70, 26), QColor(255, 214, 92));
    Bubble(p, QRectF(56, 72, 58, 22), QColor(255, 255, 255));
    Bubble(p, QRectF(56, 100, 50, 22), QColor(168, 224, 255));
    // Texts.
    QFont title(QStringLiteral("DejaVu Sans"));
    title.setPixelSize(25);
    title.setBold(true);
    p.setFont(title);
    p.setPen(Qt::white);
    p.drawText(QRect(140, 26, 370, 40), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Orv's Meeting log viewer"));
    QFont sub(QStringLiteral("Noto Sans CJK JP"));
    sub.setPixelSize(17);
    p.setFont(sub);
    p.setPen(QColor(225, 238, 250));
    p.drawText(QRect(142, 70, 370, 26), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("会議室ログ ビューア"));
    QFont ver(QStringLiteral("DejaVu Sans"));
    ver.setPixelSize(13);
    p.setFont(ver);
    p.setPen(QColor(200, 220, 240));
    p.drawText(QRect(142, 108, 360, 20), Qt::AlignLeft | Qt::AlignVCenter,
               QStringLiteral("Version 2.30"));
    p.setPen(QColor(255, 255, 255, 60));
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(0.5, 0.5, 519, 149));
    p.end();
    Save(img, QStringLiteral("splash.png"));
}

}  // namespace

int main(int argc, char** argv) {
    constexpr char kUsage[] =
        "usage: make-pictures [OUTDIR]\n"
        "Draws the splash picture, the application icon and the button images\n"
        "into OUTDIR (default: res).\n";
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0) {
            std::fputs(kUsage, stdout);
            return 0;
        }
        if (argv[i][0] == '-' || i > 1) {
            std::fprintf(stderr, "make-pictures: unexpected argument %s\n%s", argv[i], kUsage);
            return 2;
        }
    }
    QGuiApplication app(argc, argv);
    g_dir = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("res");
    const QColor blue(30, 80, 170), red(200, 30, 30), green(20, 140, 40), dark(40, 40, 40);

    Icon(57600, [](QPainter& p) { Page(p, 3, 1, 10, 14); });
    Icon(57601, [](QPainter& p) {
        p.setPen(QColor(120, 90, 20));
        p.setBrush(QColor(240, 200, 80));
        p.drawRect(1, 4, 12, 10);
        p.drawRect(1, 3, 5, 1);
        p.setBrush(QColor(255, 225, 120));
        QPolygon f;
        f << QPoint(3, 7) << QPoint(15, 7) << QPoint(13, 14) << QPoint(1, 14);
        p.drawPolygon(f);
    });
    Icon(57603, [&](QPainter& p) {
        p.setPen(dark);
        p.setBrush(blue);
        p.drawRect(1, 1, 13, 13);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 9, 7, 5);
    });
    Icon(32773, [&](QPainter& p) {
        Page(p, 1, 1, 9, 13);
        Lines(p, 3, 5, 5, 4);
        p.setPen(QPen(green, 2));
        p.drawLine(9, 8, 14, 8);
        p.setBrush(green);
        p.setPen(Qt::NoPen);
        QPolygon a;
        a << QPoint(9, 4) << QPoint(9, 12) << QPoint(5, 8);
        p.drawPolygon(a);
    });
    Icon(57607, [&](QPainter& p) {
        Page(p, 4, 1, 8, 6);
        p.setPen(dark);
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(1, 7, 14, 6);
        p.setBrush(Qt::white);
        p.drawRect(4, 11, 8, 4);
        p.setPen(green);
        p.drawPoint(13, 9);
    });
    Icon(57609, [](QPainter& p) {
        Page(p, 1, 1, 10, 14);
        Lines(p, 3, 5, 5, 3);
        Magnifier(p, 6, 6);
    });
    Icon(57634, [](QPainter& p) {
        Page(p, 1, 1, 8, 10);
        Page(p, 6, 5, 8, 10);
        Lines(p, 8, 9, 4, 3);
    });
    Icon(32784, [&](QPainter& p) {
        p.setPen(dark);
        p.drawLine(3, 2, 3, 13);
        p.drawLine(3, 7, 7, 7);
        p.drawLine(3, 13, 7, 13);
        p.setBrush(QColor(255, 210, 90));
        p.drawRect(1, 1, 4, 3);
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(QPen(red, 2.2));
        p.drawLine(QPointF(8, 5), QPointF(14.5, 12.5));
        p.drawLine(QPointF(14.5, 5), QPointF(8, 12.5));
    });
    Icon(32782, [&](QPainter& p) { Letter(p, QStringLiteral("A"), blue, 14); });
    Icon(32795, [&](QPainter& p) {
        p.setPen(dark);
        p.drawLine(4, 6, 4, 14);
        p.drawLine(4, 10, 8, 10);
        p.drawLine(4, 14, 8, 14);
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 6, 6);
        p.drawLine(3, 4, 5, 4);
        p.drawLine(4, 3, 4, 5);
        p.setPen(green);
        p.drawLine(9, 10, 14, 10);
        p.drawLine(9, 14, 14, 14);
    });
    Icon(32796, [&](QPainter& p) {
        p.setPen(dark);
        p.setBrush(Qt::white);
        p.drawRect(1, 1, 6, 6);
        p.drawLine(3, 4, 5, 4);
        p.drawRect(1, 9, 6, 6);
        p.drawLine(3, 12, 5, 12);
        p.setPen(QColor(120, 120, 120));
        p.drawLine(9, 4, 14, 4);
        p.drawLine(9, 12, 14, 12);
    });
    Icon(57664, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(blue);
        p.drawEllipse(QRectF(0.5, 0.5, 15, 15));
        Letter(p, QStringLiteral("?"), Qt::white, 12);
    });
    // Search bar.
    Icon(32780, [&](QPainter& p) {
        Magnifier(p, 5, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        QPolygon a;
        a << QPoint(0, 8) << QPoint(5, 3) << QPoint(5, 13);
        p.drawPolygon(a);
    });
    Icon(32781, [&](QPainter& p) {
        Magnifier(p, 1, 4);
        p.setPen(Qt::NoPen);
        p.setBrush(green);
        QPolygon a;
        a << QPoint(15, 8) << QPoint(10, 3) << QPoint(10, 13);
        p.drawPolygon(a);
    });
    Icon(32800, [&](QPainter& p) {
        // A list of hits under the magnifier.
        p.setPen(QColor(90, 110, 150));
        for (int y : {10, 12, 14}) {
            p.drawPoint(1, y);
            p.drawLine(3, y, 15, y);
        }
        Magnifier(p, 1, 0);
    });
    Icon(32785, [&](QPainter& p) { Letter(p, QStringLiteral("T"), dark, 14); });
    Icon(32786, [](QPainter& p) {
        Page(p, 2, 1, 11, 14);
        Lines(p, 4, 5, 6, 5);
    });
    Icon(32798, [&](QPainter& p) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(60, 100, 170));
        p.drawEllipse(QRectF(5, 1, 6, 6));
        p.drawRoundedRect(QRectF(2, 8, 12, 8), 4, 4);
    });
    Icon(32799, [&](QPainter& p) { Letter(p, QStringLiteral("ID"), dark, 9); });
    Icon(32783, [&](QPainter& p) { Letter(p, QStringLiteral("Aa"), dark, 10); });
    Icon(32793, [&](QPainter& p) {
        Letter(p, QStringLiteral("Ａ"), dark, 9, QRect(0, 0, 9, 16), false);
        Letter(p, QStringLiteral("A"), blue, 8, QRect(8, 2, 8, 14), true);
    });
    Icon(32797, [&](QPainter& p) {
        QFont f(QStringLiteral("Noto Sans CJK JP"));
        f.setPixelSize(9);
        p.setFont(f);
        p.setPen(dark);
        p.drawText(QRect(0, 0, 9, 16), Qt::AlignCenter, QStringLiteral("あ"));
        p.setPen(blue);
        p.drawText(QRect(7, 0, 9, 16), Qt::AlignCenter, QStringLiteral("ア"));
    });
    AppIcon(64);
    AppIcon(256);
    AppIcon(32);
    AppIcon(16);
    AppIcon(48);
    AppIcon(128);
    Splash();
    return 0;
}
