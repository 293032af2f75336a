#include "ui/win32/window_icon.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <initializer_list>
#include <utility>

namespace zelvoro::ui::win32 {

namespace {

constexpr COLORREF border_colour = RGB(10, 55, 90);
constexpr COLORREF top_colour = RGB(40, 150, 190);
constexpr COLORREF bottom_colour = RGB(16, 82, 128);
// The Qt picture's translucent strokes, blended over the background.
constexpr COLORREF inner_wave_colour = RGB(150, 220, 245);
constexpr COLORREF outer_wave_colour = RGB(106, 181, 212);
constexpr COLORREF link_colour = RGB(205, 225, 235);
constexpr COLORREF answering_colour = RGB(120, 230, 120);
constexpr COLORREF silent_colour = RGB(170, 170, 170);
constexpr COLORREF probe_colour = RGB(255, 200, 60);

struct Point {
    double x;
    double y;
};
constexpr Point centre{24, 24};
constexpr std::array hosts{Point{9, 9}, Point{39, 9}, Point{9, 39}, Point{39, 39}};

// Design units (a 48 × 48 grid) to pixels of the icon being drawn.
class Grid {
public:
    explicit Grid(int size) : scale_(static_cast<double>(size) / window_icon_design_size) {}
    int operator()(double units) const { return static_cast<int>(std::lround(units * scale_)); }
    int pen(double units) const { return std::max(1, (*this)(units)); }

private:
    double scale_;
};

COLORREF blend(COLORREF from, COLORREF to, double share) {
    const auto mix = [share](int a, int b) {
        return static_cast<BYTE>(std::lround(a + (b - a) * share));
    };
    return RGB(mix(GetRValue(from), GetRValue(to)), mix(GetGValue(from), GetGValue(to)),
               mix(GetBValue(from), GetBValue(to)));
}

GdiObject<HRGN> background_region(const Grid& grid) {
    return GdiObject<HRGN>(CreateRoundRectRgn(grid(1.5), grid(1.5), grid(46.5) + 1, grid(46.5) + 1,
                                              grid(18), grid(18)));
}

void fill_gradient(HDC dc, int size) {
    for (int row = 0; row < size; ++row) {
        const GdiObject<HBRUSH> brush(
            CreateSolidBrush(blend(top_colour, bottom_colour, static_cast<double>(row) / size)));
        const RECT line{0, row, size, row + 1};
        FillRect(dc, &line, brush.get());
    }
}

void draw_circle(HDC dc, const Grid& grid, Point at, double radius) {
    Ellipse(dc, grid(at.x - radius), grid(at.y - radius), grid(at.x + radius) + 1,
            grid(at.y + radius) + 1);
}

void draw_border(HDC dc, const Grid& grid) {
    const GdiObject<HPEN> pen(CreatePen(PS_SOLID, grid.pen(1.5), border_colour));
    const Selection with_pen(dc, pen.get());
    const Selection hollow(dc, GetStockObject(NULL_BRUSH));
    RoundRect(dc, grid(1.5), grid(1.5), grid(46.5), grid(46.5), grid(18), grid(18));
}

void draw_waves(HDC dc, const Grid& grid) {
    const Selection hollow(dc, GetStockObject(NULL_BRUSH));
    for (const auto& [radius, colour] :
         {std::pair{9.0, inner_wave_colour}, std::pair{14.0, outer_wave_colour}}) {
        const GdiObject<HPEN> pen(CreatePen(PS_SOLID, grid.pen(2.0), colour));
        const Selection with_pen(dc, pen.get());
        draw_circle(dc, grid, centre, radius);
    }
}

void draw_hosts(HDC dc, const Grid& grid) {
    const GdiObject<HPEN> link(CreatePen(PS_SOLID, grid.pen(1.6), link_colour));
    {
        const Selection with_pen(dc, link.get());
        for (const Point& host : hosts) {
            MoveToEx(dc, grid(centre.x), grid(centre.y), nullptr);
            LineTo(dc, grid(host.x), grid(host.y));
        }
    }
    const GdiObject<HPEN> outline(CreatePen(PS_SOLID, grid.pen(1.2), border_colour));
    const Selection with_pen(dc, outline.get());
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        // One host stays silent: it is drawn grey.
        const GdiObject<HBRUSH> fill(CreateSolidBrush(i == 3 ? silent_colour : answering_colour));
        const Selection with_fill(dc, fill.get());
        Rectangle(dc, grid(hosts[i].x - 4.5), grid(hosts[i].y - 4.5), grid(hosts[i].x + 4.5) + 1,
                  grid(hosts[i].y + 4.5) + 1);
    }
    const GdiObject<HBRUSH> probe(CreateSolidBrush(probe_colour));
    const Selection with_fill(dc, probe.get());
    draw_circle(dc, grid, centre, 5.5);
}

// The picture, black outside the rounded square.
GdiObject<HBITMAP> draw_picture(HDC dc, int size) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = size;
    info.bmiHeader.biHeight = -size;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    GdiObject<HBITMAP> picture(CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0));
    if (!picture) {
        return picture;
    }
    const Grid grid(size);
    const Selection target(dc, picture.get());
    const GdiObject<HRGN> shape = background_region(grid);
    SelectClipRgn(dc, shape.get());
    fill_gradient(dc, size);
    draw_waves(dc, grid);
    draw_hosts(dc, grid);
    draw_border(dc, grid);
    SelectClipRgn(dc, nullptr);
    return picture;
}

// The icon's AND mask: set (transparent) outside the rounded square.
GdiObject<HBITMAP> draw_mask(HDC dc, int size) {
    GdiObject<HBITMAP> mask(CreateBitmap(size, size, 1, 1, nullptr));
    const Selection target(dc, mask.get());
    PatBlt(dc, 0, 0, size, size, WHITENESS);
    const GdiObject<HRGN> shape = background_region(Grid(size));
    FillRgn(dc, shape.get(), static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    return mask;
}

} // namespace

IconHandle make_window_icon(int size) {
    const MemoryDc dc(CreateCompatibleDC(nullptr));
    if (!dc) {
        return nullptr;
    }
    const GdiObject<HBITMAP> picture = draw_picture(dc.get(), size);
    const GdiObject<HBITMAP> mask = draw_mask(dc.get(), size);
    ICONINFO parts{};
    parts.fIcon = TRUE;
    parts.hbmMask = mask.get();
    parts.hbmColor = picture.get();
    return IconHandle(CreateIconIndirect(&parts));
}

} // namespace zelvoro::ui::win32
