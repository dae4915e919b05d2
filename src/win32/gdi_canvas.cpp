#include "win32/gdi_canvas.hpp"

#include <algorithm>
#include <cstdint>
#include <span>
#include <type_traits>
#include <vector>

#include "win32/kept_surfaces.hpp"

namespace ovelin::win32 {

namespace {
COLORREF ref(Rgb c) { return RGB(c.r, c.g, c.b); }
RECT rect(const Rect& r) { return RECT{r.left, r.top, r.right, r.bottom}; }
constexpr std::size_t NONE = SIZE_MAX;

// FNV-1a over what a drawing call's pixels depend on.
class Hash {
public:
    template <class T>
    Hash& add(const T& value) {
        static_assert(std::is_trivially_copyable_v<T>);
        return bytes(&value, sizeof value);
    }
    template <class T>
    Hash& add_all(std::span<const T> values) {
        return bytes(values.data(), values.size_bytes());
    }
    std::uint64_t value() const { return h_; }

private:
    Hash& bytes(const void* data, std::size_t n) {
        const auto* p = static_cast<const unsigned char*>(data);
        for (std::size_t i = 0; i < n; ++i) h_ = (h_ ^ p[i]) * 0x100000001b3ull;
        return *this;
    }
    std::uint64_t h_ = 0xcbf29ce484222325ull;
};
}  // namespace

HRGN region_of(const std::vector<RECT>& rects) {
    HRGN region = ::CreateRectRgn(0, 0, 0, 0);
    for (const RECT& r : rects) {
        HRGN more = ::CreateRectRgnIndirect(&r);
        ::CombineRgn(region, region, more, RGN_OR);
        ::DeleteObject(more);
    }
    return region;
}

GdiCanvas::GdiCanvas(HDC dc, HFONT terminal_font, HFONT bar_font, KeptSurfaces* kept, HFONT terminal_bold)
    : dc_(dc),
      terminal_font_(terminal_font),
      terminal_bold_(terminal_bold),
      bar_font_(bar_font),
      default_font_(::GetCurrentObject(dc, OBJ_FONT)),
      kept_(kept) {}

GdiCanvas::~GdiCanvas() { ::SelectObject(dc_, default_font_); }

void GdiCanvas::select_font(FontKind font) {
    HGDIOBJ chosen = default_font_;
    if (font == FontKind::Terminal && terminal_font_) chosen = terminal_font_;
    if (font == FontKind::Bar && bar_font_) chosen = bar_font_;
    ::SelectObject(dc_, chosen);
    selected_ = chosen == terminal_font_ ? terminal_font_ : nullptr;
}

const GdiCanvas::AsciiGlyphs* GdiCanvas::ascii_glyphs() {
    if (!selected_) return nullptr;
    AsciiGlyphs& g = selected_ == terminal_bold_ && terminal_bold_ ? bold_ : regular_;
    if (g.font != selected_ || !g.looked_up) {
        g.font = selected_;
        g.looked_up = true;
        wchar_t chars[128];
        for (int c = 0; c < 128; ++c) chars[c] = static_cast<wchar_t>(c);
        if (::GetGlyphIndicesW(dc_, chars, 128, g.index.data(), GGI_MARK_NONEXISTING_GLYPHS) != 128)
            g.index.fill(0xFFFF);
    }
    return &g;
}

bool GdiCanvas::keep(DrawList::Op op, std::u16string_view text, std::span<const std::int32_t> advances) {
    if (!later_ || !ops_) return false;
    op.font = ::GetCurrentObject(dc_, OBJ_FONT);
    op.glyphs_of = selected_;
    op.text = later_->text_.size();
    op.length = text.size();
    op.advances = advances.empty() ? NONE : later_->advances_.size();
    op.recorded_before = ops_->size() - (op.kind == DrawList::Op::Kind::Frame ? 4 : 1);
    later_->text_.append(text);
    later_->advances_.insert(later_->advances_.end(), advances.begin(), advances.end());
    later_->ops_.push_back(op);
    return true;
}

void GdiCanvas::fill(const Rect& r, Rgb color) {
    RECT rc = rect(r);
    note(rc, [&] { return Hash().add(1).add(rc).add(ref(color)).value(); });
    if (!keep({.kind = DrawList::Op::Kind::Fill, .box = rc, .color = ref(color)})) draw_fill(rc, ref(color));
}

void GdiCanvas::draw_fill(const RECT& rc, COLORREF color) {
    ::SetDCBrushColor(dc_, color);
    ::FillRect(dc_, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// Noted as its four edges: a surface inside the frame lies under none of it.
void GdiCanvas::frame(const Rect& r, Rgb color) {
    RECT rc = rect(r);
    const RECT edges[4] = {{rc.left, rc.top, rc.right, rc.top + 1},
                           {rc.left, rc.bottom - 1, rc.right, rc.bottom},
                           {rc.left, rc.top + 1, rc.left + 1, rc.bottom - 1},
                           {rc.right - 1, rc.top + 1, rc.right, rc.bottom - 1}};
    for (int k = 0; k < 4; ++k) note(edges[k], [&] { return Hash().add(2).add(rc).add(ref(color)).add(k).value(); });
    if (!keep({.kind = DrawList::Op::Kind::Frame, .box = rc, .color = ref(color)})) draw_frame(rc, ref(color));
}

void GdiCanvas::draw_frame(const RECT& rc, COLORREF color) {
    ::SetDCBrushColor(dc_, color);
    ::FrameRect(dc_, &rc, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

void GdiCanvas::text_run(int x, int y, const Rect& box, std::u16string_view text,
                         std::span<const std::int32_t> advances, Rgb foreground, Rgb background) {
    RECT rc = rect(box);
    note(rc, [&] {
        return Hash()
            .add(3)
            .add(x)
            .add(y)
            .add(rc)
            .add(ref(foreground))
            .add(ref(background))
            .add(::GetCurrentObject(dc_, OBJ_FONT))
            .add_all(std::span(text))
            .add_all(advances)
            .value();
    });
    ::SetTextColor(dc_, ref(foreground));
    ::SetBkColor(dc_, ref(background));
    if (keep({.kind = DrawList::Op::Kind::Text, .box = rc, .x = x, .y = y, .color = ref(foreground),
              .back = ref(background)},
             text, advances.first(std::min(advances.size(), text.size()))))
        return;
    draw_text_run(x, y, rc, text, advances.data());
}

// With the colours set.
void GdiCanvas::draw_text_run(int x, int y, const RECT& rc, std::u16string_view text, const std::int32_t* advances) {
    static_assert(sizeof(INT) == sizeof(std::int32_t));
    const INT* dx = reinterpret_cast<const INT*>(advances);
    if (const AsciiGlyphs* g = ascii_glyphs(); g && text.size() <= 1024) {
        WORD glyphs[1024];
        std::size_t n = 0;
        for (; n < text.size(); ++n) {
            const char16_t c = text[n];
            if (c >= 128 || g->index[c] == 0xFFFF) break;
            glyphs[n] = g->index[c];
        }
        if (n == text.size()) {
            ::ExtTextOutW(dc_, x, y, ETO_OPAQUE | ETO_CLIPPED | ETO_GLYPH_INDEX, &rc,
                          reinterpret_cast<const wchar_t*>(glyphs), static_cast<UINT>(n), dx);
            return;
        }
    }
    ::ExtTextOutW(dc_, x, y, ETO_OPAQUE | ETO_CLIPPED, &rc, reinterpret_cast<const wchar_t*>(text.data()),
                  static_cast<UINT>(text.size()), dx);
}

// Bold swaps the face for the one run; the advances keep the grid. The
// underline sits on the baseline row, inside the run's box.
void GdiCanvas::styled_text_run(int x, int y, const Rect& box, std::u16string_view text,
                                std::span<const std::int32_t> advances, Rgb foreground, Rgb background,
                                TextStyle style) {
    HGDIOBJ normal = nullptr;
    const HFONT selected = selected_;
    if (style.bold && terminal_bold_) {
        normal = ::SelectObject(dc_, terminal_bold_);
        selected_ = selected ? terminal_bold_ : nullptr;
    }
    text_run(x, y, box, text, advances, foreground, background);
    if (normal) ::SelectObject(dc_, normal);
    selected_ = selected;
    if (!style.underline) return;
    if (ascent_ < 0) {
        TEXTMETRICW tm{};
        ascent_ = ::GetTextMetricsW(dc_, &tm) ? tm.tmAscent : 0;
    }
    const int line = std::min(y + ascent_, box.bottom - 1);
    if (line >= box.top) fill({box.left, line, box.right, line + 1}, foreground);
}

void GdiCanvas::text_in(const Rect& box, std::u16string_view text, Rgb color) {
    RECT rc = rect(box);
    note(rc, [&] {
        return Hash().add(5).add(rc).add(ref(color)).add(::GetCurrentObject(dc_, OBJ_FONT)).add_all(std::span(text)).value();
    });
    if (!keep({.kind = DrawList::Op::Kind::TextIn, .box = rc, .color = ref(color)}, text)) draw_text_in(rc, text, ref(color));
}

void GdiCanvas::draw_text_in(RECT rc, std::u16string_view text, COLORREF color) {
    ::SetTextColor(dc_, color);
    ::SetBkMode(dc_, TRANSPARENT);
    ::DrawTextW(dc_, reinterpret_cast<const wchar_t*>(text.data()), static_cast<int>(text.size()), &rc,
                DT_SINGLELINE | DT_VCENTER | DT_LEFT | DT_NOPREFIX);
}

void GdiCanvas::draw_later(const DrawList& later, const std::vector<RECT>& where,
                           std::span<const ShownSurface> shown) {
    if (where.empty()) return;
    const auto reaches = [&](const RECT& box) {
        return std::ranges::any_of(where, [&](const RECT& r) {
            RECT both{};
            return ::IntersectRect(&both, &box, &r) != 0;
        });
    };
    // The clip: `where`, less the surfaces shown after the call being drawn.
    HRGN region = region_of(where);
    std::size_t clipped_for = NONE;  // surfaces excluded: those shown after this many DrawnOps
    const auto clip = [&](std::size_t before) {
        std::size_t excluded = 0;
        for (const ShownSurface& s : shown) excluded += s.recorded_before > before;
        if (excluded == clipped_for) return;
        clipped_for = excluded;
        ::SelectClipRgn(dc_, region);  // a copy: the region stays as it is
        for (const ShownSurface& s : shown)
            if (s.recorded_before > before) ::ExcludeClipRect(dc_, s.at.left, s.at.top, s.at.right, s.at.bottom);
    };
    const HFONT selected = selected_;
    for (const DrawList::Op& op : later.ops_) {
        if (!reaches(op.box)) continue;
        clip(op.recorded_before);
        ::SelectObject(dc_, op.font);
        selected_ = op.glyphs_of;
        const std::u16string_view text(later.text_.data() + op.text, op.length);
        switch (op.kind) {
            case DrawList::Op::Kind::Fill: draw_fill(op.box, op.color); break;
            case DrawList::Op::Kind::Frame: draw_frame(op.box, op.color); break;
            case DrawList::Op::Kind::Text:
                ::SetTextColor(dc_, op.color);
                ::SetBkColor(dc_, op.back);
                draw_text_run(op.x, op.y, op.box, text,
                              op.advances == NONE ? nullptr : later.advances_.data() + op.advances);
                break;
            case DrawList::Op::Kind::TextIn: draw_text_in(op.box, text, op.color); break;
        }
    }
    selected_ = selected;
    ::SelectClipRgn(dc_, nullptr);
    ::DeleteObject(region);
}

KeptSurface* GdiCanvas::kept_surface(const void* view, const Rect& where) {
    return kept_ ? kept_->surface(dc_, terminal_font_, terminal_bold_, bar_font_, view, where) : nullptr;
}

}  // namespace ovelin::win32
