#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "platform/gfx/Color.h"
#include "platform/gfx/Font.h"
#include "platform/gfx/Image.h"
#include "platform/gfx/Rect.h"

struct _cairo;

namespace platform::gfx {

enum class PenStyle { Solid, Dot, Dash };

// Directions of a linear gradient: start colour at the first edge or
// corner, end colour at the opposite one.
enum class GradientMode {
    Horizontal,        // left to right
    Vertical,          // top to bottom
    ForwardDiagonal,   // top-left to bottom-right
    BackwardDiagonal,  // top-right to bottom-left
};

// The device context every view paints into: the window's surface or an
// off-screen image. Coordinates are device pixels; an origin offset maps
// document coordinates onto the target.
class Dc {
public:
    // An off-screen ARGB image of the given size, cleared to transparent.
    static std::unique_ptr<Dc> createImage(int width, int height);
    // Paints onto a context someone else owns (a window's paint handler);
    // the context must outlive the Dc.
    static std::unique_ptr<Dc> wrap(_cairo* cr);

    ~Dc();
    Dc(const Dc&) = delete;
    Dc& operator=(const Dc&) = delete;

    int width() const;  // of the target image; 0 for a wrapped context
    int height() const;

    // Shifts every later drawing by (dx, dy): the document point (x, y)
    // lands on the target at (x + dx, y + dy).
    void translate(int dx, int dy);

    void fillRect(const Rect& r, Color c);
    void fillPolygon(const std::vector<Point>& points, Color c);
    // A one-pixel line from `from` to `to`, the end point excluded, as a
    // pen of width 1 draws it. Horizontal and vertical lines are exact
    // pixels; dots and dashes follow the usual cosmetic-pen rhythm.
    void line(Point from, Point to, Color c, PenStyle style = PenStyle::Solid);
    void fillGradient(const Rect& r, Color start, Color end, GradientMode mode);

    // Text with its line's top-left corner at (x, y); `background` (if not
    // invisible) fills the text's extents first.
    void textOut(int x, int y, std::u16string_view text, const Font& font, Color color,
                 Color background = Color::rgba(0, 0, 0, 0));
    TextExtents textExtents(std::u16string_view text, const Font& font) const;

    // The frame scaled to fill `dst`.
    void drawImage(const Image& image, int frame, const Rect& dst);
    // Fills `area` with copies of the frame, each scaled to tileWidth x
    // tileHeight, the grid anchored at `origin`.
    void tileImage(const Image& image, int frame, const Rect& area, Point origin, int tileWidth,
                   int tileHeight);

    // Everything drawn until endLayer is composed off-screen and then blended
    // onto the target as one picture at the given opacity (0..1).
    void beginLayer();
    void endLayer(double opacity);

    void intersectClip(const Rect& r);
    // The current clip in document coordinates (empty when nothing shows).
    Rect clipBox() const;

    // Restores origin and clip when it goes out of scope.
    class SaveScope {
    public:
        explicit SaveScope(Dc& dc);
        ~SaveScope();
        SaveScope(const SaveScope&) = delete;
        SaveScope& operator=(const SaveScope&) = delete;

    private:
        Dc& dc_;
    };

    // For image targets: one pixel (straight alpha) and PNG output.
    Color pixel(int x, int y) const;
    bool writePng(const std::string& path) const;
    // A copy of the image target, e.g. to keep a rendering.
    std::unique_ptr<Image> snapshot() const;

    _cairo* cairo() const;

private:
    Dc();
    void save();
    void restore();

    struct Impl;
    std::unique_ptr<Impl> impl_;
};

}  // namespace platform::gfx
