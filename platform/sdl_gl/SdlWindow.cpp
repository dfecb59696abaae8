// The forms the window system holds and where input without a window of its own
// goes; what the yield, the painter, the pads and the posting hooks share.
#include "platform/sdl_gl/SdlWindow.h"

#include <algorithm>

std::vector<Form*>& LoadedForms() {
    static std::vector<Form*> forms;
    return forms;
}

bool IsLoaded(const Form* form) {
    const std::vector<Form*>& forms = LoadedForms();
    return std::find(forms.begin(), forms.end(), form) != forms.end();
}

Form* FormOfWindowId(std::uint32_t id) {
    for (Form* form : LoadedForms()) {
        if (form->Native && form->Native->Id == id) return form;
    }
    return nullptr;
}

Form* KeyboardForm(std::uint32_t windowId) {
    if (Form* form = FormOfWindowId(windowId)) return form;
    if (SDL_Window* focused = SDL_GetKeyboardFocus()) {
        if (Form* form = FormOfWindowId(SDL_GetWindowID(focused))) return form;
    }
    for (Form* form : LoadedForms()) {
        if (form->Visible) return form;
    }
    return nullptr;
}

Form* ActiveForm() { return KeyboardForm(0); }

SDL_Window* TopVisibleWindow() {
    SDL_Window* any = nullptr;
    for (const Form* form : LoadedForms()) {
        if (!form->Visible) continue;
        if (form->DeviceWindow) return form->Native->Window;
        if (!any) any = form->Native->Window;
    }
    return any;
}

int TwipsToPixels(int twips) { return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel; }

SDL_Rect ControlRect(const Control& control) {
    return SDL_Rect{TwipsToPixels(control.Left), TwipsToPixels(control.Top), TwipsToPixels(control.Width),
                    TwipsToPixels(control.Height)};
}
