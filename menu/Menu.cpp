// The start menu window, its controls and their handlers.
#include "menu/Menu.h"

#include <initializer_list>
#include <memory>

#include "game/Game.h"
#include "game/state/GeneralVariables.h"

namespace {

constexpr std::uint32_t kChosen = 255;  // pure red in 0x00BBGGRR
constexpr std::uint32_t kNotChosen = 0;
constexpr std::uint32_t kWhite = 0xFFFFFF;

std::unique_ptr<MenuWindow> instance;

void Place(Control& control, ControlKind kind, const char* name, const char* caption, int left, int top, int width,
           int height, bool centered = false) {
    control.Place(kind, name, caption, left, top, width, height);
    control.BackColor = 0;  // the window system's menu and button text colours: black
    control.ForeColor = kWhite;
    control.Centered = centered;
}

// Marks `chosen` as the choice of its group: red behind it, black behind the rest.
void Mark(const Control& chosen, std::initializer_list<Control*> group) {
    for (Control* control : group) control->BackColor = control == &chosen ? kChosen : kNotChosen;
}

}  // namespace

MenuWindow& Menu() {
    if (!instance) {
        instance = std::make_unique<MenuWindow>();
        instance->Form_Load();
    }
    return *instance;
}

void ResetMenu() { instance.reset(); }

MenuWindow::MenuWindow() {
    form.Caption = "Pls Vote For Me";
    form.ClientWidth = 7185;
    form.ClientHeight = 5670;
    form.BackColor = 0;

    const auto label = ControlKind::Label;
    const auto check = ControlKind::CheckBox;
    Place(lblunuse1, label, "lblunuse1", "Screen Size ", 120, 0, 1455, 255);
    Place(lbl600, label, "lbl600", "640 - 480", 120, 240, 1455, 255, true);
    Place(lbl800, label, "lbl800", "800 - 600", 120, 480, 1455, 255, true);
    Place(lbl1024, label, "lbl1024", "1024 - 768", 120, 720, 1455, 255, true);
    Place(lblunuse2, label, "lblunuse2", "Screen Depth", 120, 1080, 1455, 255);
    Place(lbl16bit, label, "lbl16bit", "16 - BIT", 120, 1320, 1455, 255, true);
    Place(lbl32bit, label, "lbl32bit", "32 - BIT", 120, 1560, 1455, 255, true);
    Place(lblunuse3, label, "lblunuse3", "Details", 120, 1920, 1455, 255);
    Place(lblDetailLow, label, "lblDetailLow", "Low", 120, 2160, 1455, 255, true);
    Place(lblDetailMedium, label, "lblDetailMedium", "Medium", 120, 2400, 1455, 255, true);
    Place(lblDetailHigh, label, "lblDetailHigh", "High", 120, 2640, 1455, 255, true);
    Place(Frame1, ControlKind::Frame, "Frame1", "Frame1", 1680, 0, 3495, 2895);
    Place(Check6, check, "Check6", "Render Textures", 1800, 240, 2295, 255);
    Place(Check2, check, "Check2", "Enable Light", 1800, 480, 1695, 255);
    Place(Check3, check, "Check3", "Enable Fog", 1800, 720, 1695, 255);
    Place(Check1, check, "Check1", "Enable Night Drive", 1800, 960, 1695, 255);
    Place(Check5, check, "Check5", "Enable Collision / Play as car", 1800, 1200, 2775, 255);
    Place(Check4, check, "Check4", "Fill wireframes", 1800, 1440, 1575, 255);
    Place(lblStart, label, "lblStart", "New Game", 5280, 120, 1680, 375, true);
    Place(lblexit, label, "lblexit", "Exit", 5280, 600, 1695, 375, true);
    Place(lblvirsion, label, "lblvirsion", "V 1.0", 5400, 5280, 1335, 255, true);
    // The fourth screen size, under the other groups: the screen's own size and shape.
    Place(lblunuse4, label, "lblunuse4", "Widescreen", 120, 3000, 1455, 255);
    Place(lblFill, label, "lblFill", "Fill Screen", 120, 3240, 1455, 255, true);

    // Design states, which agree with the switches the load step sets.
    Check6.InitValue(vbChecked);
    Check2.InitValue(vbChecked);
    Check3.InitValue(vbChecked);

    Check1.Click = [this] { Check1_Click(); };
    Check2.Click = [this] { Check2_Click(); };
    Check3.Click = [this] { Check3_Click(); };
    Check4.Click = [this] { Check4_Click(); };
    Check5.Click = [this] { Check5_Click(); };
    Check6.Click = [this] { Check6_Click(); };
    lbl600.Click = [this] { lbl600_Click(); };
    lbl800.Click = [this] { lbl800_Click(); };
    lbl1024.Click = [this] { lbl1024_Click(); };
    lblFill.Click = [this] { lblFill_Click(); };
    lbl16bit.Click = [this] { lbl16bit_Click(); };
    lbl32bit.Click = [this] { lbl32bit_Click(); };
    lblDetailLow.Click = [this] { lblDetailLow_Click(); };
    lblDetailMedium.Click = [this] { lblDetailMedium_Click(); };
    lblDetailHigh.Click = [this] { lblDetailHigh_Click(); };
    lblStart.MouseDown = [this](int b, int s, float x, float y) { lblStart_MouseDown(b, s, x, y); };
    lblStart.MouseUp = [this](int b, int s, float x, float y) { lblStart_MouseUp(b, s, x, y); };
    lblexit.MouseDown = [this](int b, int s, float x, float y) { lblexit_MouseDown(b, s, x, y); };
    lblexit.MouseUp = [this](int b, int s, float x, float y) { lblexit_MouseUp(b, s, x, y); };

    // Tab order.
    form.Controls = {&lblStart,  &lblexit,         &lbl600,        &lbl800,    &lbl1024, &lblvirsion, &lblunuse1,
                     &lblunuse2, &lbl16bit,        &lbl32bit,      &lblunuse3, &lblDetailLow,
                     &lblDetailMedium, &lblDetailHigh, &Check1,   &Check2,    &Check3,  &Check4,     &Frame1,
                     &Check5,    &Check6,          &lblunuse4,     &lblFill};
}

void MenuWindow::Form_Load() {
    lbl600.BackColor = kNotChosen;
    lbl800.BackColor = kNotChosen;
    lbl1024.BackColor = kChosen;
    lblFill.BackColor = kNotChosen;
    lbl16bit.BackColor = kChosen;
    lblDetailLow.BackColor = kChosen;
    lblDetailMedium.BackColor = kNotChosen;
    lblDetailHigh.BackColor = kNotChosen;

    auto& g = GeneralVariables;
    g.NightDriveOn = false;
    g.LightOn = true;
    g.FogOn = true;
    g.FillWireframesOn = false;
    g.TexturesOn = true;
}

void MenuWindow::Check1_Click() { GeneralVariables.NightDriveOn = Check1.Value() == vbChecked; }

// Night drive needs the light: unchecking the light grays night drive, whose own
// handler then switches it off. Nothing links them again afterwards.
void MenuWindow::Check2_Click() {
    if (Check2.Value() == vbChecked) {
        GeneralVariables.LightOn = true;
    } else {
        GeneralVariables.LightOn = false;
        Check1.SetValue(vbGrayed);
    }
}

void MenuWindow::Check3_Click() { GeneralVariables.FogOn = Check3.Value() == vbChecked; }
void MenuWindow::Check4_Click() { GeneralVariables.FillWireframesOn = Check4.Value() == vbChecked; }
void MenuWindow::Check5_Click() { GeneralVariables.CollisionOn = Check5.Value() == vbChecked; }
void MenuWindow::Check6_Click() { GeneralVariables.TexturesOn = Check6.Value() == vbChecked; }

void MenuWindow::lbl600_Click() { Mark(lbl600, {&lbl600, &lbl800, &lbl1024, &lblFill}); }
void MenuWindow::lbl800_Click() { Mark(lbl800, {&lbl600, &lbl800, &lbl1024, &lblFill}); }
void MenuWindow::lbl1024_Click() { Mark(lbl1024, {&lbl600, &lbl800, &lbl1024, &lblFill}); }
void MenuWindow::lblFill_Click() { Mark(lblFill, {&lbl600, &lbl800, &lbl1024, &lblFill}); }
void MenuWindow::lbl16bit_Click() { Mark(lbl16bit, {&lbl16bit, &lbl32bit}); }
void MenuWindow::lbl32bit_Click() { Mark(lbl32bit, {&lbl16bit, &lbl32bit}); }
void MenuWindow::lblDetailLow_Click() { Mark(lblDetailLow, {&lblDetailLow, &lblDetailMedium, &lblDetailHigh}); }
void MenuWindow::lblDetailMedium_Click() { Mark(lblDetailMedium, {&lblDetailLow, &lblDetailMedium, &lblDetailHigh}); }
void MenuWindow::lblDetailHigh_Click() { Mark(lblDetailHigh, {&lblDetailLow, &lblDetailMedium, &lblDetailHigh}); }

// Depth and detail are read from the marks at the press; the size at the game's
// start-up.
void MenuWindow::lblStart_MouseDown(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
    auto& g = GeneralVariables;
    lblStart.BackColor = kChosen;
    if (lblDetailLow.BackColor == kChosen) g.DetailLevel = 1;
    if (lblDetailMedium.BackColor == kChosen) g.DetailLevel = 2;
    if (lblDetailHigh.BackColor == kChosen) g.DetailLevel = 3;
    if (lbl16bit.BackColor == kChosen) g.Use32Bit = false;
    if (lbl32bit.BackColor == kChosen) g.Use32Bit = true;
}

// The menu stays loaded while hidden, so the game can read its size labels. This
// handler does not return while the game runs.
void MenuWindow::lblStart_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
    lblStart.BackColor = kNotChosen;
    HideForm(form);
    if (GameExists()) {
        (void)ShowForm(Game().form);
    } else {
        Game().Form_Load();
    }
}

void MenuWindow::lblexit_MouseDown(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) { lblexit.BackColor = kChosen; }

void MenuWindow::lblexit_MouseUp(int /*button*/, int /*shift*/, float /*x*/, float /*y*/) {
    lblexit.BackColor = kNotChosen;
    End(0);
}
