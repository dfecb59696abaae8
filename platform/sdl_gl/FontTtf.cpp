// TrueType text for D3DXFont::DrawText (see FontTtf.h). Lines break only at
// explicit line breaks; DT_CENTER centres each line between rect.left and
// rect.right; the first line sits at rect.top; the text is clipped to the rectangle
// unless DT_NOCLIP. The colour's alpha blends the glyphs over the back buffer.
#include "platform/sdl_gl/FontTtf.h"

#include <SDL.h>
#include <SDL_ttf.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/host/Host.h"
#include "platform/sdl_gl/GlDebug.h"
#include "platform/sdl_gl/GlDevice.h"

namespace {

constexpr DWORD DtRight = 0x2;
constexpr DWORD DtVCenter = 0x4;
constexpr DWORD DtBottom = 0x8;
constexpr DWORD DtSingleLine = 0x20;
constexpr DWORD DtNoClip = 0x100;
constexpr DWORD DtCalcRect = 0x400;
constexpr unsigned ScreenDpi = 96;


class TtfFont final : public D3DXFont {
public:
    TtfFont(std::shared_ptr<GlContextRef> context, TTF_Font* font) : context_(std::move(context)), font_(font) {
        line_.reserve(256);
    }
    ~TtfFont() override {
        if (texture_ != 0 && context_->MakeCurrent()) {
            glDeleteTextures(1, &texture_);
            context_->Device->TextureBindingChanged();
        }
        TTF_CloseFont(font_);
    }
    TtfFont(const TtfFont&) = delete;
    TtfFont& operator=(const TtfFont&) = delete;

    int DrawText(const std::string& text, int count, const RECT& rect, DWORD format, D3DCOLOR color) override {
        const std::size_t length =
            count < 0 ? text.size() : std::min(text.size(), static_cast<std::size_t>(count));
        const int lineSkip = TTF_FontLineSkip(font_);
        // Count the lines first: the vertical placement needs the total height.
        int lines = 1;
        if ((format & DtSingleLine) == 0)
            for (std::size_t i = 0; i < length; ++i) lines += text[i] == '\n' ? 1 : 0;
        if (length == 0) return 0;
        const int total = lines * lineSkip;
        if ((format & DtCalcRect) != 0) return total;
        if (!context_->MakeCurrent()) return 0;

        int top = rect.top;
        if ((format & DtBottom) != 0) top = rect.bottom - total;
        else if ((format & DtVCenter) != 0) top = rect.top + (rect.bottom - rect.top - total) / 2;

        std::size_t start = 0;
        for (int line = 0; line < lines; ++line) {
            std::size_t end = start;
            while (end < length && (text[end] != '\n' || (format & DtSingleLine) != 0)) ++end;
            line_.assign(text, start, end - start);
            std::erase(line_, '\r');
            if ((format & DtSingleLine) != 0) std::replace(line_.begin(), line_.end(), '\n', ' ');
            DrawLine(rect, format, top + line * lineSkip, color);
            start = end + 1;
        }
        return total;
    }

private:
    void DrawLine(const RECT& rect, DWORD format, int y, D3DCOLOR color) {
        if (line_.empty()) return;
        if (line_ != cached_ && !RenderLine()) return;
        int x = rect.left;
        if ((format & DT_CENTER) != 0) x = rect.left + (rect.right - rect.left - textWidth_) / 2;
        else if ((format & DtRight) != 0) x = rect.right - textWidth_;
        context_->Device->DrawScreenTexture(texture_, x, y, textWidth_, textHeight_, rect, (format & DtNoClip) == 0,
                                            color);
    }

    // Renders line_ in white with alpha coverage into the font's texture.
    bool RenderLine() {
        cached_.clear();
        const SDL_Color white{255, 255, 255, 255};
        SDL_Surface* glyphs = TTF_RenderUTF8_Blended(font_, line_.c_str(), white);
        if (glyphs == nullptr) return false;
        SDL_Surface* rgba = SDL_ConvertSurfaceFormat(glyphs, SDL_PIXELFORMAT_RGBA32, 0);
        SDL_FreeSurface(glyphs);
        if (rgba == nullptr) return false;
        if (texture_ == 0) glGenTextures(1, &texture_);
        glBindTexture(GL_TEXTURE_2D, texture_);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, rgba->pitch / 4);
        SDL_LockSurface(rgba);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, rgba->w, rgba->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, rgba->pixels);
        SDL_UnlockSurface(rgba);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
        context_->Device->TextureBindingChanged();
        textWidth_ = rgba->w;
        textHeight_ = rgba->h;
        SDL_FreeSurface(rgba);
        GlCheck("text upload");
        cached_ = line_;
        return true;
    }

    std::shared_ptr<GlContextRef> context_;
    TTF_Font* font_;
    GLuint texture_ = 0;
    std::string line_;
    std::string cached_;  // the line the texture holds
    int textWidth_ = 0, textHeight_ = 0;
};

}  // namespace

std::string ResolveFontFile(const std::string& family, bool bold, bool* isBold) {
    return host::FontFile(family, bold, isBold);
}

HRESULT CreateTtfFont(GlDevice& device, const StdFont& font, std::unique_ptr<D3DXFont>& out) {
    if (font.Size <= 0.0f) return D3DERR_INVALIDCALL;
    bool isBold = false;
    const std::string file = ResolveFontFile(font.Name, font.Bold, &isBold);
    if (file.empty()) return E_FAIL;
    if (TTF_WasInit() == 0 && TTF_Init() != 0) return E_FAIL;
    const int points = std::max(1, static_cast<int>(std::lround(font.Size)));
    TTF_Font* ttf = TTF_OpenFontDPI(file.c_str(), points, ScreenDpi, ScreenDpi);
    if (ttf == nullptr) return E_FAIL;
    if (font.Bold && !isBold) TTF_SetFontStyle(ttf, TTF_STYLE_BOLD);  // no bold face installed: embolden
    out = std::make_unique<TtfFont>(device.ContextRef(), ttf);
    return D3D_OK;
}
