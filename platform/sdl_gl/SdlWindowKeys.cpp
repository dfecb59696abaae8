// SDL keys to the Windows virtual-key codes that KeyDown handlers receive, and the
// modifier state of window events. Letters and digits follow the keyboard layout
// (SDL's key code, not the scan code), as virtual keys do.
#include "platform/sdl_gl/SdlWindow.h"

namespace {

struct KeyPair {
    SDL_Keycode Key;
    int VirtualKey;
};

// Keys outside the letter and digit ranges. Where two SDL keys give one virtual
// key (left and right Shift), the first listed is the one posted for it.
constexpr KeyPair kKeyTable[] = {
    {SDLK_BACKSPACE, VK_BACK}, {SDLK_TAB, VK_TAB},      {SDLK_RETURN, VK_RETURN},  {SDLK_KP_ENTER, VK_RETURN},
    {SDLK_LSHIFT, VK_SHIFT},   {SDLK_RSHIFT, VK_SHIFT}, {SDLK_LCTRL, VK_CONTROL},  {SDLK_RCTRL, VK_CONTROL},
    {SDLK_LALT, VK_MENU},      {SDLK_RALT, VK_MENU},    {SDLK_PAUSE, 0x13},        {SDLK_CAPSLOCK, 0x14},
    {SDLK_ESCAPE, VK_ESCAPE},  {SDLK_SPACE, VK_SPACE},  {SDLK_PAGEUP, VK_PRIOR},   {SDLK_PAGEDOWN, VK_NEXT},
    {SDLK_END, VK_END},        {SDLK_HOME, VK_HOME},    {SDLK_LEFT, VK_LEFT},      {SDLK_UP, VK_UP},
    {SDLK_RIGHT, VK_RIGHT},    {SDLK_DOWN, VK_DOWN},    {SDLK_PRINTSCREEN, 0x2C},  {SDLK_INSERT, 0x2D},
    {SDLK_DELETE, 0x2E},       {SDLK_LGUI, 0x5B},       {SDLK_RGUI, 0x5C},         {SDLK_APPLICATION, 0x5D},
    {SDLK_KP_0, 0x60},         {SDLK_KP_1, 0x61},       {SDLK_KP_2, 0x62},         {SDLK_KP_3, 0x63},
    {SDLK_KP_4, 0x64},         {SDLK_KP_5, 0x65},       {SDLK_KP_6, 0x66},         {SDLK_KP_7, 0x67},
    {SDLK_KP_8, 0x68},         {SDLK_KP_9, 0x69},       {SDLK_KP_MULTIPLY, 0x6A},  {SDLK_KP_PLUS, 0x6B},
    {SDLK_KP_MINUS, 0x6D},     {SDLK_KP_PERIOD, 0x6E},  {SDLK_KP_DIVIDE, 0x6F},    {SDLK_F1, 0x70},
    {SDLK_F2, 0x71},           {SDLK_F3, 0x72},         {SDLK_F4, 0x73},           {SDLK_F5, 0x74},
    {SDLK_F6, 0x75},           {SDLK_F7, 0x76},         {SDLK_F8, 0x77},           {SDLK_F9, 0x78},
    {SDLK_F10, 0x79},          {SDLK_F11, 0x7A},        {SDLK_F12, 0x7B},          {SDLK_NUMLOCKCLEAR, 0x90},
    {SDLK_SCROLLLOCK, 0x91},   {SDLK_SEMICOLON, 0xBA},  {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
    {SDLK_MINUS, 0xBD},        {SDLK_PERIOD, 0xBE},     {SDLK_SLASH, 0xBF},        {SDLK_BACKQUOTE, 0xC0},
    {SDLK_LEFTBRACKET, 0xDB},  {SDLK_BACKSLASH, 0xDC},  {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
};

}  // namespace

int VirtualKeyFromSdl(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) return 'A' + (key - SDLK_a);
    if (key >= SDLK_0 && key <= SDLK_9) return '0' + (key - SDLK_0);
    for (const KeyPair& pair : kKeyTable) {
        if (pair.Key == key) return pair.VirtualKey;
    }
    return 0;
}

SDL_Keycode SdlKeyFromVirtualKey(int virtualKey) {
    if (virtualKey >= 'A' && virtualKey <= 'Z') return SDLK_a + (virtualKey - 'A');
    if (virtualKey >= '0' && virtualKey <= '9') return SDLK_0 + (virtualKey - '0');
    for (const KeyPair& pair : kKeyTable) {
        if (pair.VirtualKey == virtualKey) return pair.Key;
    }
    return SDLK_UNKNOWN;
}

int ShiftStateFromSdl(std::uint16_t mod) {
    int shift = 0;
    if (mod & KMOD_SHIFT) shift |= 1;
    if (mod & KMOD_CTRL) shift |= 2;
    if (mod & KMOD_ALT) shift |= 4;
    return shift;
}
