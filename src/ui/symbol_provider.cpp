#include "symbol_provider.h"

#include "platform/paths.h"

#include <QColor>
#include <QImageReader>
#include <QPainter>
#include <QPainterPath>
#include <QUrl>

#include <algorithm>

namespace tovel {

SymbolProvider::SymbolProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage SymbolProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.lastIndexOf(u'/');
    const QString name = slash < 0 ? id : id.left(slash);
    const QColor color = slash < 0 ? QColor(Qt::white) : QColor(id.mid(slash + 1));
    const auto resources = paths::resources();
    // Names are ours, but keep them inside the folder all the same.
    if (!resources || name.isEmpty() || name.contains(u'/') || name.startsWith(u'.'))
        return {};

    QImageReader reader(*resources + QStringLiteral("/symbols/") + name + QStringLiteral(".svg"));
    const QSize natural = reader.size();
    QSize target = requestedSize.isValid() && !requestedSize.isEmpty() ? requestedSize : natural;
    if (natural.isValid() && !natural.isEmpty())
        target = natural.scaled(target, Qt::KeepAspectRatio);
    if (target.isValid() && !target.isEmpty())
        reader.setScaledSize(target);
    QImage image = reader.read();
    if (image.isNull())
        return {};
    image = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.fillRect(image.rect(), color.isValid() ? color : QColor(Qt::white));
    painter.end();
    if (size)
        *size = image.size();
    return image;
}

} // namespace tovel

namespace tovel {

BackdropProvider::BackdropProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage BackdropProvider::requestImage(const QString &id, QSize *size, const QSize &)
{
    const QUrl url(QUrl::fromPercentEncoding(id.toUtf8()));
    if (!url.isLocalFile())
        return {};
    QImageReader reader(url.toLocalFile());
    const QSize natural = reader.size();
    if (!natural.isValid() || natural.isEmpty())
        return {};
    // Decode small, shrink further, then blow back up: bilinear filtering does the blurring.
    reader.setScaledSize(natural.scaled(160, 160, Qt::KeepAspectRatioByExpanding));
    QImage image = reader.read();
    if (image.isNull())
        return {};
    const QSize tiny = image.size().scaled(36, 36, Qt::KeepAspectRatioByExpanding);
    image = image.scaled(tiny, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .scaled(tiny * 4, Qt::IgnoreAspectRatio, Qt::SmoothTransformation)
                .scaled(tiny * 12, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (size)
        *size = image.size();
    return image;
}

TileProvider::TileProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}

QImage TileProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const QUrl url(QUrl::fromPercentEncoding(id.toUtf8()));
    if (!url.isLocalFile())
        return {};
    const int side
        = std::clamp(requestedSize.isValid() ? std::max(requestedSize.width(), requestedSize.height()) : 152, 16, 512);
    QImageReader reader(url.toLocalFile());
    const QSize natural = reader.size();
    if (!natural.isValid() || natural.isEmpty())
        return {};
    // Decoded small: a 2560-pixel background never needs more than a tile's worth of pixels here.
    reader.setScaledSize(natural.scaled(side, side, Qt::KeepAspectRatioByExpanding));
    const QImage picture = reader.read();
    if (picture.isNull())
        return {};
    QImage tile(side, side, QImage::Format_ARGB32_Premultiplied);
    tile.fill(Qt::transparent);
    QPainter painter(&tile);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    QPainterPath shape;
    const qreal radius = side * 0.22;
    shape.addRoundedRect(QRectF(0, 0, side, side), radius, radius);
    painter.setClipPath(shape);
    painter.drawImage(QPointF((side - picture.width()) / 2.0, (side - picture.height()) / 2.0), picture);
    painter.end();
    if (size)
        *size = tile.size();
    return tile;
}

} // namespace tovel
