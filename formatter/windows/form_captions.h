// Captions of Tavrel's windows: the German captions put on each window when it is first shown,
// the conversion of captions stored in code page 850 to the display code page, and the
// window services that go with them (the translation request to the main window, keeping a
// window on the screen, the translator template).
//
// Captions inside the suite are bytes in the display code page (Windows-1252); on the widgets
// they are Unicode. CaptionText and CaptionBytes convert losslessly between the two.
#pragma once

#include <QString>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formatter/common/notifications.h"

class QWidget;
class QMenuBar;
class QObject;

namespace tavrel {

QString CaptionText(std::string_view bytes);
std::string CaptionBytes(const QString& text);

// Which caption of a control a row sets.
enum class CaptionPart : std::uint8_t { kCaption, kPage, kItem };

struct GermanCaptionRow {
  const char* Form;     // "Form1" .. "Form11"
  const char* Control;  // object name; empty: the window's own caption
  CaptionPart Part;
  int Index;           // page or item number, from 0
  const char* German;  // code page 850
};

std::span<const GermanCaptionRow> GermanCaptionTable();

// The form's number from its object name "FormN"; 0 for any other name.
int FormNumber(const QObject* form);

// Every byte above 127 through the code-page 850 display table; with keepWindowsUmlauts the
// bytes 228 and 252 (already the display code page's a and u umlauts) stay.
std::string ConvertCaptionBytes(std::string_view bytes, bool keepWindowsUmlauts);

// The form's own caption, and the captions of its labels, buttons, group boxes, check boxes,
// radio groups and radio buttons, converted; other controls are left alone.
void TranslateFormCaptions(QWidget* form);
// Every item of the menu bar, sub-items included, converted (no exceptions).
void TranslateMenuCaptions(QMenuBar* menu);

// German (language 1): the table's captions for this form; in every language the captions
// are converted, and the main window's menu too.
void ApplyGermanCaptions(QWidget* form, std::uint8_t language, QWidget* mainWindow);

// Sends the main window code 250 with the form's number: the main window translates it.
void RequestFormTranslation(MainNotifier* mainWindow, QWidget* form);

// A form whose bottom edge lies below the screen is moved up to meet it.
void KeepFormOnScreen(QWidget* form, int screenHeight = -1);

// The translator template "language_template.pas" in folder: the main window's block, one line
// per menu item. False when the file cannot be written.
bool WriteLanguageTemplate(QWidget* mainWindow, const std::string& folder);

// "control<TAB>caption" (UTF-8) for the form's own caption (control "") and every captioned
// control, menu item, notebook page ("name page N") and radio-group item ("name item N").
std::vector<std::string> CaptionDump(QWidget* form);

}  // namespace tavrel
