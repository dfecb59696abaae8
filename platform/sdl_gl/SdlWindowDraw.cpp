// Painting of the plain windows (the start menu): the background, then frames,
// then labels and check boxes on top, with SDL's software renderer and SDL_ttf in
// the desktop's sans-serif face at a classic dialog size. A window is repainted
// only when something it shows has changed or it was exposed.
#include <SDL_ttf.h>

#include <algorithm>
#include <string>
#include <utility>

#include "platform/sdl_gl/FontTtf.h"
#include "platform/sdl_gl/SdlWindow.h"

namespace {

TTF_Font* font = nullptr;
bool fontTried = false;

constexpr int kDialogFontPoints = 8;
constexpr int kCheckBoxSize = 13;
constexpr std::uint32_t kFrameBorderColor = 0xC0C0C0;
constexpr std::uint32_t kGrayedColor = 0x808080;
constexpr std::uint32_t kPadFocusColor = 0x00FFFF;  // yellow (0x00BBGGRR)

TTF_Font* MenuFont() {
    if (!fontTried) {
        fontTried = true;
        const std::string path = ResolveFontFile("sans-serif", false, nullptr);
        if (!path.empty()) font = TTF_OpenFontDPI(path.c_str(), kDialogFontPoints, 96, 96);
    }
    return font;
}

// The dialog size where every caption fits its control; a wider desktop face than
// the classic dialog font steps down (by lowering the resolution the points are
// set at) until the widest caption fits, but no further than three quarters.
int FittingDpi(const Form& form) {
    TTF_Font* face = MenuFont();
    if (!face) return 96;
    int dpi = 96;
    for (; dpi > 72; dpi -= 2) {
        TTF_SetFontSizeDPI(face, kDialogFontPoints, dpi, dpi);
        bool fits = true;
        for (const Control* control : form.Controls) {
            int width = 0;
            if (control->Caption.empty() || TTF_SizeUTF8(face, control->Caption.c_str(), &width, nullptr) != 0)
                continue;
            int room = ControlRect(*control).w - 2;
            if (control->Kind == ControlKind::CheckBox) room -= kCheckBoxSize + 4;
            if (control->Kind == ControlKind::Frame) room -= 12;
            if (width > room) fits = false;
        }
        if (fits) break;
    }
    return dpi;
}

// Colours are 0x00BBGGRR; a value with the top bit set names a window-system
// colour, resolved here in the standard scheme.
SDL_Color ToSdlColor(std::uint32_t color) {
    if (color & 0x80000000u) {
        switch (color & 0xFFu) {
            case 0x05:  // window background
            case 0x0E:  // highlight text
            case 0x14:  // 3-D highlight
                color = 0xFFFFFF;
                break;
            case 0x0F:  // button face
            case 0x16:  // 3-D light
                color = 0xC0C0C0;
                break;
            case 0x0D:  // highlight
                color = 0x800000;
                break;
            case 0x10:  // button shadow
            case 0x11:  // gray text
                color = 0x808080;
                break;
            default:  // menu text, button text, window text and the rest of the dark ones
                color = 0x000000;
                break;
        }
    }
    return SDL_Color{static_cast<Uint8>(color & 0xFF), static_cast<Uint8>((color >> 8) & 0xFF),
                     static_cast<Uint8>((color >> 16) & 0xFF), 255};
}

void SetColor(SDL_Renderer* renderer, std::uint32_t color) {
    const SDL_Color c = ToSdlColor(color);
    SDL_SetRenderDrawColor(renderer, c.r, c.g, c.b, c.a);
}

void Fill(SDL_Renderer* renderer, const SDL_Rect& rect, std::uint32_t color) {
    SetColor(renderer, color);
    SDL_RenderFillRect(renderer, &rect);
}

// Draws one line of text in `area`, clipped to it, vertically centred and either
// centred or left-aligned. Returns the rectangle the text covers (empty without a font).
SDL_Rect DrawText(SDL_Renderer* renderer, const std::string& text, std::uint32_t color, const SDL_Rect& area,
                  bool centered) {
    TTF_Font* face = MenuFont();
    if (!face || text.empty()) return SDL_Rect{area.x, area.y, 0, 0};
    SDL_Surface* surface = TTF_RenderUTF8_Blended(face, text.c_str(), ToSdlColor(color));
    if (!surface) return SDL_Rect{area.x, area.y, 0, 0};
    SDL_Rect target{area.x, area.y + (area.h - surface->h) / 2, surface->w, surface->h};
    if (centered) target.x = area.x + (area.w - surface->w) / 2;
    if (SDL_Texture* texture = SDL_CreateTextureFromSurface(renderer, surface)) {
        SDL_RenderSetClipRect(renderer, &area);
        SDL_RenderCopy(renderer, texture, nullptr, &target);
        SDL_RenderSetClipRect(renderer, nullptr);
        SDL_DestroyTexture(texture);
    }
    SDL_FreeSurface(surface);
    return target;
}

void DrawDottedRect(SDL_Renderer* renderer, const SDL_Rect& rect) {
    for (int x = rect.x; x < rect.x + rect.w; x += 2) {
        SDL_RenderDrawPoint(renderer, x, rect.y);
        SDL_RenderDrawPoint(renderer, x, rect.y + rect.h - 1);
    }
    for (int y = rect.y; y < rect.y + rect.h; y += 2) {
        SDL_RenderDrawPoint(renderer, rect.x, y);
        SDL_RenderDrawPoint(renderer, rect.x + rect.w - 1, y);
    }
}

// A frame: a thin light border whose top edge runs through the middle of the
// caption, which sits at the top left over a gap in the border.
void DrawFrame(SDL_Renderer* renderer, const Control& frame) {
    const SDL_Rect rect = ControlRect(frame);
    Fill(renderer, rect, frame.BackColor);
    const int textHeight = MenuFont() ? TTF_FontHeight(MenuFont()) : 0;
    const SDL_Rect border{rect.x, rect.y + textHeight / 2, rect.w, rect.h - textHeight / 2};
    SetColor(renderer, kFrameBorderColor);
    SDL_RenderDrawRect(renderer, &border);
    int textWidth = 0;
    if (MenuFont()) TTF_SizeUTF8(MenuFont(), frame.Caption.c_str(), &textWidth, nullptr);
    if (textWidth == 0) return;
    const SDL_Rect gap{rect.x + 6, rect.y, textWidth + 4, textHeight};
    Fill(renderer, gap, frame.BackColor);
    DrawText(renderer, frame.Caption, frame.ForeColor, SDL_Rect{gap.x + 2, gap.y, textWidth, textHeight}, false);
}

void DrawLabel(SDL_Renderer* renderer, const Control& label) {
    const SDL_Rect rect = ControlRect(label);
    Fill(renderer, rect, label.BackColor);
    SDL_Rect textArea = rect;
    if (!label.Centered) {
        textArea.x += 1;
        textArea.w -= 1;
    }
    DrawText(renderer, label.Caption, label.ForeColor, textArea, label.Centered);
}

void DrawCheckBox(SDL_Renderer* renderer, const Control& box, bool focused) {
    const SDL_Rect rect = ControlRect(box);
    Fill(renderer, rect, box.BackColor);

    const SDL_Rect square{rect.x, rect.y + (rect.h - kCheckBoxSize) / 2, kCheckBoxSize, kCheckBoxSize};
    const bool grayed = box.Value() == vbGrayed;
    SetColor(renderer, 0xFFFFFF);
    SDL_RenderDrawRect(renderer, &square);
    if (grayed) {
        Fill(renderer, SDL_Rect{square.x + 2, square.y + 2, square.w - 4, square.h - 4}, kGrayedColor);
    }
    if (box.Value() != vbUnchecked) {
        // The tick: a short stroke down to the right, then a long one up, 3 px thick.
        SetColor(renderer, grayed ? 0xFFFFFF : box.ForeColor);
        for (int t = 0; t < 3; ++t) {
            const int x0 = square.x + 3, y0 = square.y + 5 + t;
            SDL_RenderDrawLine(renderer, x0, y0, x0 + 2, y0 + 2);
            SDL_RenderDrawLine(renderer, x0 + 2, y0 + 2, x0 + 6, y0 - 2);
        }
    }

    const SDL_Rect textArea{square.x + kCheckBoxSize + 4, rect.y, rect.w - kCheckBoxSize - 4, rect.h};
    const SDL_Rect text = DrawText(renderer, box.Caption, grayed ? kGrayedColor : box.ForeColor, textArea, false);
    if (focused && text.w > 0) {
        SetColor(renderer, box.ForeColor);
        DrawDottedRect(renderer, SDL_Rect{text.x - 1, text.y, std::min(text.w + 2, textArea.w + 1), text.h});
    }
}

// Everything the window shows, to tell whether a repaint is needed.
std::string Snapshot(const Form& form) {
    std::string s = std::to_string(form.BackColor) + '|' + std::to_string(form.Native->Focus) + '|' +
                    std::to_string(form.Native->PadFocus);
    for (const Control* c : form.Controls) {
        s += '|' + c->Caption + '\x1f' + std::to_string(static_cast<int>(c->Kind)) + ',' + std::to_string(c->Left) +
             ',' + std::to_string(c->Top) + ',' + std::to_string(c->Width) + ',' + std::to_string(c->Height) + ',' +
             std::to_string(c->BackColor) + ',' + std::to_string(c->ForeColor) + ',' + std::to_string(c->Centered) +
             ',' + std::to_string(c->Value());
    }
    return s;
}

}  // namespace

void PaintForm(Form& form) {
    NativeWindow* native = form.Native;
    if (!native || !native->Renderer) return;
    std::string snapshot = Snapshot(form);
    if (!native->Exposed && snapshot == native->Painted) return;
    native->Exposed = false;
    native->Painted = std::move(snapshot);

    if (native->FontDpi == 0) native->FontDpi = FittingDpi(form);
    if (TTF_Font* face = MenuFont()) TTF_SetFontSizeDPI(face, kDialogFontPoints, native->FontDpi, native->FontDpi);

    SDL_Renderer* renderer = native->Renderer;
    SetColor(renderer, form.BackColor);
    SDL_RenderClear(renderer);
    // Frames lie behind the controls drawn over them.
    for (const Control* control : form.Controls) {
        if (control->Kind == ControlKind::Frame) DrawFrame(renderer, *control);
    }
    for (std::size_t i = 0; i < form.Controls.size(); ++i) {
        const Control& control = *form.Controls[i];
        if (control.Kind == ControlKind::Label) DrawLabel(renderer, control);
        if (control.Kind == ControlKind::CheckBox) {
            DrawCheckBox(renderer, control, static_cast<int>(i) == native->Focus);
        }
    }
    // The game controller's focus: a frame round the whole control.
    if (native->PadFocus >= 0 && native->PadFocus < static_cast<int>(form.Controls.size())) {
        const SDL_Rect rect = ControlRect(*form.Controls[native->PadFocus]);
        SetColor(renderer, kPadFocusColor);
        for (int inset = 0; inset < 2; ++inset) {
            const SDL_Rect ring{rect.x - 2 + inset, rect.y - 2 + inset, rect.w + 4 - 2 * inset, rect.h + 4 - 2 * inset};
            SDL_RenderDrawRect(renderer, &ring);
        }
    }
    SDL_RenderPresent(renderer);
}
