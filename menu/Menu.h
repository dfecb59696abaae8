// The start menu: screen size (three 4:3 sizes or "Fill Screen"), colour depth and detail chosen by clicking labels
// (a chosen label has background 255, pure red), six switches as check boxes, and
// "New Game" / "Exit". The switches write the shared settings at once; size, depth
// and detail live only in the labels' colours until the game reads them.
#pragma once

#include "platform/Window.h"

class MenuWindow {
public:
    MenuWindow();

    Form form;
    Control lblunuse1, lbl600, lbl800, lbl1024;
    Control lblunuse2, lbl16bit, lbl32bit;
    Control lblunuse3, lblDetailLow, lblDetailMedium, lblDetailHigh;
    Control Frame1;
    Control Check6, Check2, Check3, Check1, Check5, Check4;
    Control lblStart, lblexit, lblvirsion;
    Control lblunuse4, lblFill;  // "Fill Screen": the screen's own size and shape

    void Form_Load();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    void lbl600_Click();
    void lbl800_Click();
    void lbl1024_Click();
    void lblFill_Click();
    void lbl16bit_Click();
    void lbl32bit_Click();
    void lblDetailLow_Click();
    void lblDetailMedium_Click();
    void lblDetailHigh_Click();
    void lblStart_MouseDown(int button, int shift, float x, float y);
    void lblStart_MouseUp(int button, int shift, float x, float y);
    void lblexit_MouseDown(int button, int shift, float x, float y);
    void lblexit_MouseUp(int button, int shift, float x, float y);
};

// The menu window, created (and its Form_Load run) on first reference.
MenuWindow& Menu();
// Forgets the menu window (tests).
void ResetMenu();
