#pragma once

#include <QQuickImageProvider>

namespace tovel {

// Serves "image://symbol/<name>/<#rrggbb>": the named SVG from resources/symbols, drawn at the requested
// size and filled with the colour. Works on every scene-graph backend, the software one included.
class SymbolProvider : public QQuickImageProvider
{
public:
    SymbolProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace tovel

namespace tovel {

// Serves "image://backdrop/<file URL>": a heavily softened, small copy of a background image, for glass
// panels to sample where the scene graph cannot blur (the software backend).
class BackdropProvider : public QQuickImageProvider
{
public:
    BackdropProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

// Serves "image://tile/<file URL>": the image cropped to fill the requested square and clipped to
// rounded corners, for the Appearance pane's tiles (drawn the same on every scene-graph backend).
class TileProvider : public QQuickImageProvider
{
public:
    TileProvider();
    QImage requestImage(const QString &id, QSize *size, const QSize &requestedSize) override;
};

} // namespace tovel
