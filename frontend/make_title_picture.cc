// make_title_picture: draws the title picture of the splash and information windows, 869 by
// 458 pixels: the product name TARN beside the emblem of the KAV scenario family (a greenhouse
// over the groundwater, a drop leaching down). Writes it as a JPEG to the path it is given:
//   QT_QPA_PLATFORM=offscreen make_title_picture frontend/resources/tarn_title.jpg
// With --icon it draws the emblem alone as the program's square icon of that many pixels, on a
// transparent ground, as a PNG:
//   QT_QPA_PLATFORM=offscreen make_title_picture --icon 48 packaging/icons/tarn_48.png
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <cstdlib>
#include <iostream>
#include <string_view>

namespace {

constexpr int kWidth = 869;
constexpr int kHeight = 458;
const QColor kDeepGreen(24, 92, 64);
const QColor kLeafGreen(96, 170, 88);
const QColor kWater(46, 116, 196);
const QColor kSoil(139, 98, 60);

QFont Font(int pixelSize, bool bold) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

// The KAV emblem in a circle of `radius` around `centre`: soil, groundwater, a greenhouse with
// a crop row, and a drop on its way down.
void DrawEmblem(QPainter& painter, QPointF centre, double radius) {
  QPainterPath circle;
  circle.addEllipse(centre, radius, radius);
  painter.save();
  painter.setClipPath(circle);
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  QLinearGradient sky(box.topLeft(), box.bottomLeft());
  sky.setColorAt(0, QColor(222, 240, 250));
  sky.setColorAt(1, QColor(255, 255, 255));
  painter.fillRect(box, sky);
  const double ground = centre.y() + 0.25 * radius;
  painter.fillRect(QRectF(box.left(), ground, box.width(), 0.4 * radius), kSoil);
  painter.fillRect(QRectF(box.left(), ground + 0.4 * radius, box.width(), radius), kWater);
  // Waves on the groundwater table.
  painter.setPen(QPen(QColor(190, 220, 250), 3));
  for (int row = 0; row < 2; ++row) {
    QPainterPath wave;
    const double y = ground + 0.52 * radius + row * 0.16 * radius;
    wave.moveTo(box.left(), y);
    for (double x = box.left(); x < box.right(); x += 0.2 * radius) {
      wave.quadTo(x + 0.05 * radius, y - 0.05 * radius, x + 0.1 * radius, y);
      wave.quadTo(x + 0.15 * radius, y + 0.05 * radius, x + 0.2 * radius, y);
    }
    painter.drawPath(wave);
  }
  painter.restore();

  // The greenhouse: two glass spans on the ground line.
  const double left = centre.x() - 0.62 * radius;
  const double spanWidth = 0.62 * radius;
  const double eaves = ground - 0.38 * radius;
  painter.setPen(QPen(kDeepGreen, 5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
  painter.setBrush(QColor(200, 232, 214, 200));
  for (int span = 0; span < 2; ++span) {
    const double x = left + span * spanWidth;
    const QPointF house[] = {{x, ground},
                             {x, eaves},
                             {x + spanWidth / 2, eaves - 0.3 * radius},
                             {x + spanWidth, eaves},
                             {x + spanWidth, ground}};
    painter.drawPolygon(house, 5);
  }
  // A row of crop plants inside.
  painter.setPen(Qt::NoPen);
  painter.setBrush(kLeafGreen);
  for (int plant = 0; plant < 6; ++plant)
    painter.drawEllipse(QPointF(left + (plant + 0.5) * spanWidth / 3, ground - 0.07 * radius),
                        0.08 * radius, 0.07 * radius);
  // The drop that leaches down to the groundwater.
  QPainterPath drop;
  const QPointF tip(centre.x() + 0.05 * radius, ground + 0.05 * radius);
  drop.moveTo(tip);
  drop.cubicTo(tip + QPointF(0.12 * radius, 0.16 * radius),
               tip + QPointF(0.12 * radius, 0.3 * radius), tip + QPointF(0, 0.3 * radius));
  drop.cubicTo(tip + QPointF(-0.12 * radius, 0.3 * radius),
               tip + QPointF(-0.12 * radius, 0.16 * radius), tip);
  painter.setBrush(kWater);
  painter.setPen(QPen(Qt::white, 2));
  painter.drawPath(drop);

  // The ring and the family's name.
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(kDeepGreen, 8));
  painter.drawEllipse(centre, radius, radius);
  painter.setFont(Font(static_cast<int>(0.34 * radius), true));
  painter.setPen(kDeepGreen);
  painter.drawText(QRectF(box.left(), box.top() + 0.12 * radius, box.width(), 0.4 * radius),
                   Qt::AlignCenter, QStringLiteral("KAV"));
}

QImage TitlePicture() {
  QImage image(kWidth, kHeight, QImage::Format_RGB32);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient background(0, 0, kWidth, kHeight);
  background.setColorAt(0, QColor(246, 251, 244));
  background.setColorAt(1, QColor(212, 234, 214));
  painter.fillRect(image.rect(), background);

  DrawEmblem(painter, QPointF(215, 215), 165);

  painter.setPen(kDeepGreen);
  painter.setFont(Font(140, true));
  painter.drawText(QRect(410, 70, 440, 170), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("TARN"));
  painter.setPen(QColor(60, 60, 60));
  painter.setFont(Font(25, false));
  painter.drawText(QRect(414, 240, 440, 100), Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap,
                   QStringLiteral("Tool for Application-date\nRanking and Nomination"));
  // The strip below the emblem stays plain: the splash writes its version line there.
  painter.setPen(kDeepGreen);
  painter.setFont(Font(19, false));
  painter.drawText(QRect(414, 320, 440, 30), Qt::AlignLeft | Qt::AlignVCenter,
                   QStringLiteral("Groundwater scenarios for greenhouses"));
  return image;
}

// The emblem of the title picture, drawn as there and scaled to a square of `size` pixels.
QImage Icon(int size) {
  constexpr double kRadius = 165;
  // The ring's pen reaches half its width beyond the radius.
  constexpr double kHalfSide = kRadius + 5;
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(size / (2 * kHalfSide), size / (2 * kHalfSide));
  DrawEmblem(painter, QPointF(kHalfSide, kHalfSide), kRadius);
  return image;
}

}  // namespace

int main(int argc, char** argv) {
  QGuiApplication app(argc, argv);
  const bool icon = argc == 4 && std::string_view(argv[1]) == "--icon";
  const int size = icon ? std::atoi(argv[2]) : 0;
  if (!(argc == 2 || (icon && size > 0))) {
    std::cerr << "usage: make_title_picture <output.jpg>\n"
                 "       make_title_picture --icon <size> <output.png>\n";
    return 2;
  }
  const QString path = QString::fromLocal8Bit(argv[argc - 1]);
  if (!(icon ? Icon(size).save(path, "PNG") : TitlePicture().save(path, "JPG", 92))) {
    std::cerr << "cannot write " << argv[argc - 1] << '\n';
    return 1;
  }
  return 0;
}
