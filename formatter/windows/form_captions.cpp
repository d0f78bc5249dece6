#include "formatter/windows/form_captions.h"

#include <QAbstractButton>
#include <QAction>
#include <QFile>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QRadioButton>
#include <QScreen>
#include <QTabWidget>
#include <QWidget>
#include <cstdio>
#include <memory>

#include "formatter/common/bilingual_texts.h"
#include "platform/text.h"

namespace tavrel {

namespace {

// The German caption of each control, as the designer wrote it (code page 850).
constexpr GermanCaptionRow kGermanCaptions[] = {
    {"Form1", "GroupBox1", CaptionPart::kCaption, 0, "Dropdown-Feld"},
    {"Form1", "Label1", CaptionPart::kCaption, 0, "formatieren..."},
    {"Form1", "Label2", CaptionPart::kCaption, 0, "Druckvorschau..."},
    {"Form1", "Label3", CaptionPart::kCaption, 0, "drucken..."},
    {"Form1", "GroupBox3", CaptionPart::kCaption, 0, "formatiert"},
    {"Form1", "Button4", CaptionPart::kCaption, 0, "Vorschau"},
    {"Form1", "Button5", CaptionPart::kCaption, 0, "Drucken"},
    {"Form1", "MenuItem1", CaptionPart::kCaption, 0, "Datei"},
    {"Form1", "MenuItem3", CaptionPart::kCaption, 0, "Anmelden"},
    {"Form1", "MenuItem4", CaptionPart::kCaption, 0, "Editieren"},
    {"Form1", "MenuItem14", CaptionPart::kCaption, 0, "unformatiert"},
    {"Form1", "MenuItem15", CaptionPart::kCaption, 0, "formatiert"},
    {"Form1", "MenuItem16", CaptionPart::kCaption, 0, "Fu\xE1/Endnoten"},
    {"Form1", "MenuItem17", CaptionPart::kCaption, 0, "Text und Fu\xE1noten"},
    {"Form1", "MenuItem18", CaptionPart::kCaption, 0, "Inhaltsverzeichnis"},
    {"Form1", "MenuItem5", CaptionPart::kCaption, 0,
     "Editoren schlie\xE1"
     "en"},
    {"Form1", "MenuItem6", CaptionPart::kCaption, 0, "Druckvorschau"},
    {"Form1", "MenuItem7", CaptionPart::kCaption, 0, "Einzelseiten drucken"},
    {"Form1", "MenuItem8", CaptionPart::kCaption, 0, "Drucker einrichten"},
    {"Form1", "MenuItem9", CaptionPart::kCaption, 0, "Beenden"},
    {"Form1", "MenuItem2", CaptionPart::kCaption, 0, "Erzeugen"},
    {"Form1", "MenuItem10", CaptionPart::kCaption, 0, "Formatierte Datei"},
    {"Form1", "MenuItem11", CaptionPart::kCaption, 0, "Text und Fu\xE1noten"},
    {"Form1", "MenuItem12", CaptionPart::kCaption, 0, "Inhaltsverzeichnis"},
    {"Form1", "MenuItem13", CaptionPart::kCaption, 0, "Stichwortverzeichnis"},
    {"Form1", "Menuitem34", CaptionPart::kCaption, 0, "RTF-Datei (Skeldon)"},
    {"Form1", "Menuitem35", CaptionPart::kCaption, 0, "HTML-Datei (Skeldon)"},
    {"Form1", "Menuitem36", CaptionPart::kCaption, 0, "PDF-Datei"},
    {"Form1", "MenuItem19", CaptionPart::kCaption, 0, "Einstell."},
    {"Form1", "MenuItem20", CaptionPart::kCaption, 0, "Einstellungen-Buch"},
    {"Form1", "MenuItem21", CaptionPart::kCaption, 0, "Schriften-Definition"},
    {"Form1", "Menuitem22", CaptionPart::kCaption, 0, "Schriftendemo-Datei"},
    {"Form1", "Menuitem25", CaptionPart::kCaption, 0, "Gliederungsformat"},
    {"Form1", "MenuItem23", CaptionPart::kCaption, 0, "Befehl"},
    {"Form1", "Menuitem24", CaptionPart::kCaption, 0, "Hilfe"},
    {"Form1", "MenuItem26", CaptionPart::kCaption, 0, "Einf\x81hrung"},
    {"Form1", "MenuItem27", CaptionPart::kCaption, 0, "Hauptfenster"},
    {"Form1", "MenuItem28", CaptionPart::kCaption, 0, "Tutorial starten"},
    {"Form1", "MenuItem30", CaptionPart::kCaption, 0, "Inhalt"},
    {"Form1", "MenuItem31", CaptionPart::kCaption, 0, "Index"},
    {"Form1", "MenuItem32", CaptionPart::kCaption, 0, "Hilfe f\x81r Hilfe"},
    {"Form1", "Menuitem33", CaptionPart::kCaption, 0, "Programminfo"},
    {"Form1", "Menuitem37", CaptionPart::kCaption, 0, "Grafikdatei"},
    {"Form2", "", CaptionPart::kCaption, 0, "Einstellungen und Standardwerte"},
    {"Form2", "TabbedNotebook1", CaptionPart::kPage, 0, "Programm"},
    {"Form2", "Title_Program", CaptionPart::kCaption, 0,
     "Dateinamen, Sprachen, technische Einstellungen"},
    {"Form2", "Title_Format", CaptionPart::kCaption, 0, "Einstellungen betreff Formatieren"},
    {"Form2", "TabbedNotebook1", CaptionPart::kPage, 2, "Druck"},
    {"Form2", "Title_Print", CaptionPart::kCaption, 0, "Druckvorschau und Drucken"},
    {"Form2", "TabbedNotebook1", CaptionPart::kPage, 3, "Silbentrennung"},
    {"Form2", "Title_Hyphenation", CaptionPart::kCaption, 0,
     "w\x84hlen Sie den Silbentrennungsalgorithmus"},
    {"Form2", "Title_Layout", CaptionPart::kCaption, 0, "Seitenlayout (Punktbefehl-Standardwerte)"},
    {"Form2", "TabbedNotebook1", CaptionPart::kPage, 5, "Noten"},
    {"Form2", "Title_Notes", CaptionPart::kCaption, 0, "Endnoten, Fu\xE1noten, Randnoten"},
    {"Form2", "Title_Index", CaptionPart::kCaption, 0,
     "Inhaltsverzeichnis- und Stichwortverzeichnis-Erstellung"},
    {"Form2", "Title_PDF", CaptionPart::kCaption, 0, "PDF Erzeugung"},
    {"Form2", "Label4", CaptionPart::kCaption, 0, "Vollst. Dateiname des Editors"},
    {"Form2", "Label32", CaptionPart::kCaption, 0,
     "Suchverzeichnisse f\x81r Dateien (z. B. Grafiken)"},
    {"Form2", "RadioGroup1", CaptionPart::kCaption, 0, "Benutzer-Sprache"},
    {"Form2", "GroupBox5", CaptionPart::kCaption, 0, "betreff Druckvorgang"},
    {"Form2", "Label33", CaptionPart::kCaption, 0, "hoch"},
    {"Form2", "Label34", CaptionPart::kCaption, 0, "niedrig"},
    {"Form2", "Label35", CaptionPart::kCaption, 0, "Priorit\x84t des Druckvorgangs"},
    {"Form2", "GroupBox6", CaptionPart::kCaption, 0, "betreff Druckvorschau"},
    {"Form2", "CheckBox5", CaptionPart::kCaption, 0, "jeden Buchst. eigens setzen"},
    {"Form2", "GroupBox13", CaptionPart::kCaption, 0, "betreff Grafiken"},
    {"Form2", "Label70", CaptionPart::kCaption, 0, "Aufl\x94sung f\x81r Metafile ->"},
    {"Form2", "RadioGroup5", CaptionPart::kCaption, 0, "Bitmap Konvertierung"},
    {"Form2", "Label53", CaptionPart::kCaption, 0,
     "Drucker, auf den sich die Formatierung bezieht"},
    {"Form2", "CheckBox13", CaptionPart::kCaption, 0, "Dateierw. autom. korrigieren"},
    {"Form2", "CheckBox15", CaptionPart::kCaption, 0, "Drucken von unform. Dateien zulassen"},
    {"Form2", "CheckBox11", CaptionPart::kCaption, 0, "DOS Programm"},
    {"Form2", "CheckBox12", CaptionPart::kCaption, 0,
     "nach Erzeugen Editor gleich \x94"
     "ffnen"},
    {"Form2", "CheckBox17", CaptionPart::kCaption, 0, "autom. speichern"},
    {"Form2", "CheckBox21", CaptionPart::kCaption, 0,
     "Doppelklick im Editor springt zwischen WS und FMT-Datei"},
    {"Form2", "Label63", CaptionPart::kCaption, 0,
     "Vollst. Dateiname des Skeldon Kommandozeilenprogramms"},
    {"Form2", "CheckBox6", CaptionPart::kCaption, 0,
     "Am Zeilenanfang harte durch weiche Leerzeichen ersetzen"},
    {"Form2", "Label36", CaptionPart::kCaption, 0,
     "Reduzierung von Wortzwischenr\x84umen bei Blocksatz"},
    {"Form2", "GroupBox7", CaptionPart::kCaption, 0, "Standard-Schriften"},
    {"Form2", "Label43", CaptionPart::kCaption, 0, "alternativ"},
    {"Form2", "Label44", CaptionPart::kCaption, 0, "Stretch-Faktor bei Tabulator-Spr\x81ngen"},
    {"Form2", "Label64", CaptionPart::kCaption, 0,
     "Standard-Zeilenabstand (.LH8=Schreibmasch.\"einzeilig\")"},
    {"Form2", "CheckBox16", CaptionPart::kCaption, 0,
     "alle .LH Zeilenabst\x84nde beziehen sich auf die Standard-Schrift"},
    {"Form2", "RadioButton1", CaptionPart::kCaption, 0, "Keine Silbentrennung"},
    {"Form2", "RadioButton2", CaptionPart::kCaption, 0,
     "Jede Silbentrennung r\x81"
     "ckfragen"},
    {"Form2", "GroupBox1", CaptionPart::kCaption, 0, "interne deutschsprachige Silbentrennung"},
    {"Form2", "GroupBox2", CaptionPart::kCaption, 0, "externe Tex-Datei benutzen"},
    {"Form2", "Label1", CaptionPart::kCaption, 0, "minimale Punktzahl"},
    {"Form2", "Label2", CaptionPart::kCaption, 0, "Tex Trenndateiname"},
    {"Form2", "Label41", CaptionPart::kCaption, 0, "Sprachregeln aus dem WWW herunterladen"},
    {"Form2", "Label3", CaptionPart::kCaption, 0, "Minimale L\x84nge ungetrennter Wortteile"},
    {"Form2", "CheckBox4", CaptionPart::kCaption, 0,
     "nicht Bereiche von W\x94rtern mit Gro\xE1"
     "buchstaben trennen"},
    {"Form2", "GroupBox3", CaptionPart::kCaption, 0, "bedruckbarer Bereich"},
    {"Form2", "Label8", CaptionPart::kCaption, 0, "oberer | Rand"},
    {"Form2", "Label9", CaptionPart::kCaption, 0, "unterer | Rand"},
    {"Form2", "Label11", CaptionPart::kCaption, 0, "linker Rand"},
    {"Form2", "GroupBox4", CaptionPart::kCaption, 0, "Textbereich"},
    {"Form2", "Label6", CaptionPart::kCaption, 0, "rechter Rand"},
    {"Form2", "Label25", CaptionPart::kCaption, 0, "Seiten- l\x84nge"},
    {"Form2", "GroupBox11", CaptionPart::kCaption, 0, "Kopftext"},
    {"Form2", "Label56", CaptionPart::kCaption, 0, "Kopf Abst."},
    {"Form2", "GroupBox12", CaptionPart::kCaption, 0, "Fu\xE1text"},
    {"Form2", "Label58", CaptionPart::kCaption, 0, "Fu\xE1 Abst."},
    {"Form2", "Label5", CaptionPart::kCaption, 0, "Oberer Papiereinzug-Rand"},
    {"Form2", "Label27", CaptionPart::kCaption, 0, "schmale Linien Dicke in Pixel"},
    {"Form2", "Label28", CaptionPart::kCaption, 0, "breite Linien Dicke in Pixel"},
    {"Form2", "Label31", CaptionPart::kCaption, 0, "Linienziehen"},
    {"Form2", "RadioGroup2", CaptionPart::kCaption, 0, "Zeichensatz"},
    {"Form2", "RadioGroup2", CaptionPart::kItem, 0, "437 (schmale/dicke .LI)"},
    {"Form2", "RadioGroup2", CaptionPart::kItem, 1, "850 (vielsprachig + \x80)"},
    {"Form2", "CheckBox14", CaptionPart::kCaption, 0, "Standard-Punktbefehle"},
    {"Form2", "Label47", CaptionPart::kCaption, 0, "in die FMT-Datei schreiben"},
    {"Form2", "RadioGroup3", CaptionPart::kCaption, 0,
     "Ma\xE1"
     "einheit Sprechblasenhilfe"},
    {"Form2", "Label61", CaptionPart::kCaption, 0, "Schablone"},
    {"Form2", "Label46", CaptionPart::kCaption, 0,
     "maximale Anzahl von Buchstaben bei .MN Randnoten"},
    {"Form2", "Label48", CaptionPart::kCaption, 0,
     "Anzahl Leerzeilen zwischen Text- und Fu\xE1notenbereich"},
    {"Form2", "Label49", CaptionPart::kCaption, 0, "Sonderzeichen f\x81r Fu\xE1notenzuordnung"},
    {"Form2", "Label50", CaptionPart::kCaption, 0, "Fu\xE1notenverweis im Textbereich"},
    {"Form2", "Label51", CaptionPart::kCaption, 0, "Fu\xE1noten-Numerierung im Fu\xE1notenbereich"},
    {"Form2", "Label52", CaptionPart::kCaption, 0,
     "Zeichen im Fu\xE1noten-Text, das f\x81r ein Return steht"},
    {"Form2", "Label40", CaptionPart::kCaption, 0,
     "Anzahl von Zeilen im Absatz, die niemals getrennt werden"},
    {"Form2", "Label59", CaptionPart::kCaption, 0, "Betreff Formatieren"},
    {"Form2", "Label60", CaptionPart::kCaption, 0, "Betreff Erzeugen von Text und Fu\xE1noten"},
    {"Form2", "GroupBox8", CaptionPart::kCaption, 0, "Betreff Inhaltsverzeichnis-Erstellung"},
    {"Form2", "CheckBox22", CaptionPart::kCaption, 0, "nur markierte Abs\x84tze (.CT) schreiben"},
    {"Form2", "CheckBox7", CaptionPart::kCaption, 0, "Seitennummern schreiben"},
    {"Form2", "CheckBox8", CaptionPart::kCaption, 0,
     "Haupt\x81"
     "berschriften hervorheben (mit Fettdruck)"},
    {"Form2", "GroupBox9", CaptionPart::kCaption, 0, "Betreff Stichwortverzeichnis-Erstellung"},
    {"Form2", "CheckBox9", CaptionPart::kCaption, 0, "gewichtete Seitennummern hervorheben"},
    {"Form2", "CheckBox10", CaptionPart::kCaption, 0, "sortiere \x84 wie ae statt \x84 wie a"},
    {"Form2", "Label66", CaptionPart::kCaption, 0, "Druckertreiber zum Erzeugen von PDF"},
    {"Form2", "CheckBox18", CaptionPart::kCaption, 0, "Automatisch Dateiname *.PS w\x84hlen"},
    {"Form2", "CheckBox19", CaptionPart::kCaption, 0,
     "Bei \"Inhaltsverz. erzeugen\" auch PS_CNT-Datei erstellen"},
    {"Form2", "CheckBox20", CaptionPart::kCaption, 0,
     "nach der Erstellung der PS-Datei PDF-Erzeuger automatisch starten"},
    {"Form2", "Label67", CaptionPart::kCaption, 0, "Voller Dateiname des PDF Erzeugeprogramms"},
    {"Form2", "Label68", CaptionPart::kCaption, 0,
     "Programmparameter (* = Name PS-Datei, # = Name PDF-Datei)"},
    {"Form2", "RadioGroup4", CaptionPart::kCaption, 0, "Ort der erzeugten PS-Dateien"},
    {"Form2", "RadioGroup4", CaptionPart::kItem, 0, "Dokument-Verzeichnis"},
    {"Form3", "", CaptionPart::kCaption, 0, "Druckvorschau"},
    {"Form4", "", CaptionPart::kCaption, 0, "Einzelseiten drucken"},
    {"Form4", "Button1", CaptionPart::kCaption, 0, "Abbrechen"},
    {"Form4", "Button2", CaptionPart::kCaption, 0, "Drucken"},
    {"Form4", "Label1", CaptionPart::kCaption, 0, "Eingabebeispiel:   7,9,12-16,21"},
    {"Form4", "CheckBox1", CaptionPart::kCaption, 0,
     "angegebene Seiten ausschlie\xE1"
     "en"},
    {"Form4", "Label2", CaptionPart::kCaption, 0, "Anzahl Kopien"},
    {"Form4", "RadioGroup1", CaptionPart::kCaption, 0, "doppelseitiger Druck"},
    {"Form6", "", CaptionPart::kCaption, 0, "Druckerschriften berechnen - bitte warten"},
    {"Form6", "Label1", CaptionPart::kCaption, 0, "suche Schriften..."},
    {"Form7", "", CaptionPart::kCaption, 0, "Erzeuge Stichwortverzeichnis"},
    {"Form8", "", CaptionPart::kCaption, 0, "Info- und Fehlermeldungen"},
    {"Form9", "Button1", CaptionPart::kCaption, 0, ""},
    {"Form10", "", CaptionPart::kCaption, 0, "Punktbefehle einf\x81gen"},
    {"Form10", "RadioGroup1", CaptionPart::kCaption, 0, "Ma\xE1stab"},
    {"Form10", "Button1", CaptionPart::kCaption, 0, "einf\x81gen"},
    {"Form10", "Button2", CaptionPart::kCaption, 0, "Hilfe"},
    {"Form10", "Button3", CaptionPart::kCaption, 0,
     "Schlie\xE1"
     "en"},
    {"Form10", "Label3", CaptionPart::kCaption, 0, "W\x84hlen Sie eine Schrift:"},
    {"Form10", "Button4", CaptionPart::kCaption, 0, "Datei w\x84hlen"},
    {"Form10", "Label5", CaptionPart::kCaption, 0, "gehe zum Befehl"},
    {"Form10", "Button6", CaptionPart::kCaption, 0, "aufklappen"},
    {"Form10", "Button7", CaptionPart::kCaption, 0, "zuklappen"},
    {"Form11", "", CaptionPart::kCaption, 0, "Grafik-Datei"},
    {"Form11", "RadioGroup1", CaptionPart::kCaption, 0, "Dateiformat"},
    {"Form11", "Label1", CaptionPart::kCaption, 0, "Dateiname"},
    {"Form11", "Button1", CaptionPart::kCaption, 0, "Abbrechen"},
    {"Form11", "Button2", CaptionPart::kCaption, 0, "Speichern"},
    {"Form11", "Label3", CaptionPart::kCaption, 0, "Laden von..."},
    {"Form11", "Button4", CaptionPart::kCaption, 0, "Zwisch.abl."},
};

// The controls whose captions the conversion touches; a radio group is a group box with the
// property "controlClass" set to "TRadioGroup".
bool IsConvertedControl(const QObject* o) {
  return qobject_cast<const QLabel*>(o) || qobject_cast<const QAbstractButton*>(o) ||
         qobject_cast<const QGroupBox*>(o);
}

QString GetCaption(QObject* o) {
  if (auto* l = qobject_cast<QLabel*>(o)) return l->text();
  if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->text();
  if (auto* g = qobject_cast<QGroupBox*>(o)) return g->title();
  if (auto* a = qobject_cast<QAction*>(o)) return a->text();
  if (auto* w = qobject_cast<QWidget*>(o); w && w->isWindow()) return w->windowTitle();
  return {};
}

void SetCaption(QObject* o, const QString& text) {
  if (auto* l = qobject_cast<QLabel*>(o)) return l->setText(text);
  if (auto* b = qobject_cast<QAbstractButton*>(o)) return b->setText(text);
  if (auto* g = qobject_cast<QGroupBox*>(o)) return g->setTitle(text);
  if (auto* a = qobject_cast<QAction*>(o)) return a->setText(text);
  if (auto* w = qobject_cast<QWidget*>(o)) w->setWindowTitle(text);
}

// Converts one caption; sets it again only when a byte changed.
void ConvertCaption(QObject* o, const QString& text, bool keepWindowsUmlauts,
                    void (*set)(QObject*, const QString&)) {
  const std::string bytes = CaptionBytes(text);
  const std::string converted = ConvertCaptionBytes(bytes, keepWindowsUmlauts);
  if (converted != bytes) set(o, CaptionText(converted));
}

void SetWindowTitle(QObject* o, const QString& t) { static_cast<QWidget*>(o)->setWindowTitle(t); }

QList<QRadioButton*> RadioItems(QObject* group) {
  return group->findChildren<QRadioButton*>(QString(), Qt::FindDirectChildrenOnly);
}

void ConvertMenu(QMenu* menu) {
  for (QAction* a : menu->actions()) {
    ConvertCaption(a, a->text(), false, &SetCaption);
    if (a->menu()) ConvertMenu(a->menu());
  }
}

void DumpMenu(QMenu* menu, std::vector<std::string>& out) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    out.push_back(a->objectName().toStdString() + "\t" + a->text().toStdString());
    if (a->menu()) DumpMenu(a->menu(), out);
  }
}

void WriteMenuLines(std::FILE* f, QMenu* menu, int level) {
  for (QAction* a : menu->actions()) {
    if (a->isSeparator()) continue;
    std::fprintf(f, "    %s%s.Caption := ''; {%s}\n", std::string(2 * level, ' ').c_str(),
                 a->objectName().toStdString().c_str(), CaptionBytes(a->text()).c_str());
    if (a->menu()) WriteMenuLines(f, a->menu(), level + 1);
  }
}

QMenuBar* MenuOf(QWidget* form) {
  auto* main = qobject_cast<QMainWindow*>(form);
  return main ? main->menuBar() : nullptr;
}

}  // namespace

QString CaptionText(std::string_view bytes) {
  return QString::fromStdString(platform::code_page_to_utf8(bytes, platform::CodePage::cp1252));
}

std::string CaptionBytes(const QString& text) {
  return platform::utf8_to_code_page(text.toStdString(), platform::CodePage::cp1252, '?',
                                     platform::Unmappable::best_fit_or_default);
}

std::span<const GermanCaptionRow> GermanCaptionTable() { return kGermanCaptions; }

int FormNumber(const QObject* form) {
  if (!form) return 0;
  const QString name = form->objectName();
  if (!name.startsWith("Form")) return 0;
  bool ok = false;
  const int n = name.mid(4).toInt(&ok);
  return ok && n >= 1 && n <= 11 ? n : 0;
}

std::string ConvertCaptionBytes(std::string_view bytes, bool keepWindowsUmlauts) {
  const ByteTable& table = DisplayTable();
  std::string out(bytes);
  for (char& c : out) {
    const auto b = static_cast<std::uint8_t>(c);
    if (b <= 127) continue;
    if (keepWindowsUmlauts && (b == 228 || b == 252)) continue;
    c = static_cast<char>(table[b]);
  }
  return out;
}

void TranslateFormCaptions(QWidget* form) {
  if (!form) return;
  ConvertCaption(form, form->windowTitle(), false, &SetWindowTitle);
  for (QWidget* w : form->findChildren<QWidget*>())
    if (IsConvertedControl(w)) ConvertCaption(w, GetCaption(w), true, &SetCaption);
}

void TranslateMenuCaptions(QMenuBar* menu) {
  if (!menu) return;
  for (QAction* a : menu->actions()) {
    ConvertCaption(a, a->text(), false, &SetCaption);
    if (a->menu()) ConvertMenu(a->menu());
  }
}

void ApplyGermanCaptions(QWidget* form, std::uint8_t language, QWidget* mainWindow) {
  if (!form) return;
  if (language == 1) {
    const QString name = form->objectName();
    for (const GermanCaptionRow& row : kGermanCaptions) {
      if (name != row.Form) continue;
      // Stored bytes go on as they are; the conversion below makes them display text.
      const QString stored = CaptionText(row.German);
      if (!*row.Control) {
        form->setWindowTitle(stored);
        continue;
      }
      QObject* control = form->findChild<QObject*>(row.Control);
      if (!control) continue;
      // Notebook pages and radio-group items are not among the converted controls: they get
      // their display text at once.
      const QString shown = CaptionText(ToDisplayText(row.German));
      if (row.Part == CaptionPart::kPage) {
        if (auto* tabs = qobject_cast<QTabWidget*>(control); tabs && row.Index < tabs->count())
          tabs->setTabText(row.Index, shown);
      } else if (row.Part == CaptionPart::kItem) {
        const QList<QRadioButton*> items = RadioItems(control);
        if (row.Index < items.size()) items[row.Index]->setText(shown);
      } else {
        SetCaption(control, stored);
      }
    }
  }
  TranslateFormCaptions(form);
  if (form == mainWindow) TranslateMenuCaptions(MenuOf(form));
}

void RequestFormTranslation(MainNotifier* mainWindow, QWidget* form) {
  const int number = FormNumber(form);
  if (mainWindow && number) mainWindow->Send(MN_TRANSLATE_FORM, number);
}

void KeepFormOnScreen(QWidget* form, int screenHeight) {
  if (!form) return;
  if (screenHeight < 0) {
    QScreen* screen = form->screen() ? form->screen() : QGuiApplication::primaryScreen();
    if (!screen) return;
    screenHeight = screen->geometry().height();
  }
  const QRect frame = form->frameGeometry();
  if (frame.top() + frame.height() > screenHeight)
    form->move(form->x(), screenHeight - frame.height());
}

bool WriteLanguageTemplate(QWidget* mainWindow, const std::string& folder) {
  const std::string path =
      folder.empty() ? "language_template.pas" : folder + "/language_template.pas";
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "wb"), &std::fclose);
  if (!f) return false;
  std::fprintf(f.get(), "\n{Tavrel language file. Name of Language:    }\n\n");
  const std::string name = mainWindow->objectName().toStdString();
  std::fprintf(f.get(), "    if Form.Name = '%s' then with %s do begin\n", name.c_str(),
               name.c_str());
  if (QMenuBar* bar = MenuOf(mainWindow))
    for (QAction* a : bar->actions()) {
      std::fprintf(f.get(), "      %s.Caption := ''; {%s}\n", a->objectName().toStdString().c_str(),
                   CaptionBytes(a->text()).c_str());
      if (a->menu()) WriteMenuLines(f.get(), a->menu(), 2);
    }
  std::fprintf(f.get(), "    end;\n\n");
  return std::ferror(f.get()) == 0;
}

std::vector<std::string> CaptionDump(QWidget* form) {
  std::vector<std::string> out;
  out.push_back("\t" + form->windowTitle().toStdString());
  for (QObject* o : form->findChildren<QObject*>()) {
    const std::string name = o->objectName().toStdString();
    if (name.empty() || name.rfind("qt_", 0) == 0) continue;
    if (auto* tabs = qobject_cast<QTabWidget*>(o)) {
      for (int i = 0; i < tabs->count(); ++i)
        out.push_back(name + " page " + std::to_string(i) + "\t" + tabs->tabText(i).toStdString());
      continue;
    }
    if (IsConvertedControl(o)) out.push_back(name + "\t" + GetCaption(o).toStdString());
    if (auto* g = qobject_cast<QGroupBox*>(o); g && g->property("controlClass") == "TRadioGroup") {
      const QList<QRadioButton*> items = RadioItems(g);
      for (int i = 0; i < items.size(); ++i)
        out.push_back(name + " item " + std::to_string(i) + "\t" + items[i]->text().toStdString());
    }
  }
  if (QMenuBar* bar = MenuOf(form))
    for (QAction* a : bar->actions()) {
      out.push_back(a->objectName().toStdString() + "\t" + a->text().toStdString());
      if (a->menu()) DumpMenu(a->menu(), out);
    }
  return out;
}

}  // namespace tavrel
