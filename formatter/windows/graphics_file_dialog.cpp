#include "formatter/windows/graphics_file_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QImage>
#include <QMimeData>
#include <QPixmap>
#include <QResizeEvent>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <cmath>
#include <filesystem>

#include "formatter/common/bilingual_texts.h"
#include "formatter/common/messages.h"
#include "formatter/common/notifications.h"
#include "formatter/common/picture_files.h"
#include "formatter/windows/form_captions.h"
#include "platform/files.h"
#include "platform/picture_encoders.h"

namespace tavrel {

namespace {

// German texts in code page 850, as every message of the catalogue.
const MessageTexts kMetafileVariable{
    "Metafile mit variabler Gr\x94\xE1"
    "e",
    "Metafile with variable size"};
const MessageTexts kSize{
    "Gr\x94\xE1"
    "e: ",
    "size: "};
const MessageTexts kRequiredFor{
    "geforderte Gr\x94\xE1"
    "e bei ",
    "required size for "};
const MessageTexts kLoadingClipboard{"Lade Grafik von der Zwischenablage, bitte warten!",
                                     "Loading graphic from clipboard, please wait!"};
const MessageTexts kNoClipboardGraphic{"Zwischenablage enth\x84lt keine Grafik!",
                                       "Clipboard does not contain a graphic!"};
const MessageTexts kSelectFormat{"W\x84hlen Sie zuerst ein Grafikformat aus!",
                                 "Select a graphics format first!"};
const MessageTexts kLoadedClipboard{"Grafik aus Zwischenablage geladen",
                                    "Graphic loaded from clipboard"};
const MessageTexts kLoadingFile{"Lade Grafik-Datei, bitte warten!",
                                "Loading graphic file, please wait!"};
const MessageTexts kLoadedFile{"Grafik geladen von Datei ", "Graphic loaded from file "};
const MessageTexts kFileNotFound{"Grafikdatei ", "Graphics file "};
const MessageTexts kFileNotFoundEnd{" nicht gefunden!", " not found."};
const MessageTexts kFileUnreadable{" kann nicht gelesen werden: ", " cannot be read: "};
const MessageTexts kSelectFile{"W\x84hlen Sie eine Grafikdatei aus", "Select a graphics file"};
const MessageTexts kEnterName{"Geben Sie zuerst einen Dateinamen ein!", "Enter a filename first!"};
const MessageTexts kBitmapToMetafile{"Konvertierung von Bitmap nach Metafile macht keinen Sinn!",
                                     "Conversion from Bitmap to Metafile does not make sense!"};
const MessageTexts kRunFromEditor{
    "Bitte rufen Sie den Grafikdialog von Dunmoor aus auf, andernfalls liegen keine "
    "Informationen zur Gr\x94\xE1"
    "e vor",
    "Please run the Graphic dialog from Dunmoor, otherwise Tavrel has no information about the "
    "required size"};
const MessageTexts kConverted{"Von Metafile nach Bitmap konvertierte Grafik",
                              "Bitmap converted from a Metafile"};
// A size of nothing would replace the picture by an empty one; a metafile without width has
// no height-to-width ratio.
const MessageTexts kPercentZero{
    "Die geforderte Gr\x94\xE1"
    "e ist leer: der Prozentsatz (.BW) ist 0.",
    "The required size is empty: the picture per cent (.BW) is 0."};
const MessageTexts kSizeEmpty{
    "Die geforderte Gr\x94\xE1"
    "e ist leer: keine Textbreite (.RM) bekannt.",
    "The required size is empty: no text width (.RM) is known."};
const MessageTexts kSizeTooLarge{
    "Die geforderte Gr\x94\xE1"
    "e ist zu gro\xE1.",
    "The required size is too large."};
const MessageTexts kNoWidth{
    "Das Metafile hat keine Breite: es kann nicht in eine Bitmap umgewandelt werden.",
    "The metafile has no width: it cannot be converted to a bitmap."};
const MessageTexts kNoPicture{"Laden Sie zuerst eine Grafik!", "Load a graphic first!"};
const MessageTexts kSaveFailed{"Die Grafikdatei konnte nicht gespeichert werden: ",
                               "Could not save the graphics file: "};
const MessageTexts kOutsideFolder{"Grafikdateien werden nur im Ordner des Dokuments gespeichert: ",
                                  "Graphics files are saved in the document's folder only: "};

const char* const kFileFilters[5] = {"BMP (*.bmp *.BMP)", "EMF (*.emf *.EMF)", "WMF (*.wmf *.WMF)",
                                     "GIF (*.gif *.GIF)", "JPG (*.jpg *.jpeg *.JPG *.JPEG)"};

const platform::PictureFormat kPlatformFormats[5] = {
    platform::PictureFormat::bmp, platform::PictureFormat::emf, platform::PictureFormat::wmf,
    platform::PictureFormat::gif, platform::PictureFormat::jpeg};

std::string LowerExtension(int index) {
  std::string ext = kGraphicsFormats[index];
  for (char& c : ext) c = static_cast<char>(c - 'A' + 'a');
  return ext;
}

std::string ExtensionOf(const std::string& name) {
  const std::string file = ExtractFileNamePart(name);
  const std::size_t dot = file.rfind('.');
  return dot == std::string::npos ? std::string() : file.substr(dot + 1);
}

platform::Bitmap BitmapFromImage(const QImage& image) {
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  platform::Bitmap b;
  b.width = argb.width();
  b.height = argb.height();
  b.pixels.resize(static_cast<std::size_t>(b.width) * static_cast<std::size_t>(b.height));
  for (int y = 0; y < b.height; ++y) {
    const auto* row = reinterpret_cast<const std::uint32_t*>(argb.constScanLine(y));
    std::copy(row, row + b.width, b.pixels.begin() + static_cast<std::ptrdiff_t>(y) * b.width);
  }
  return b;
}

QImage ImageFromBitmap(const platform::Bitmap& b) {
  QImage image(b.width, b.height, QImage::Format_ARGB32);
  for (int y = 0; y < b.height; ++y) {
    auto* row = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
    std::copy(b.pixels.begin() + static_cast<std::ptrdiff_t>(y) * b.width,
              b.pixels.begin() + static_cast<std::ptrdiff_t>(y + 1) * b.width, row);
  }
  return image;
}

// The metafile on the clipboard, under the names desktop programs give it.
std::optional<std::string> ClipboardMetafile(const QMimeData& data) {
  for (const char* type : {"image/x-emf", "image/emf", "image/x-wmf", "image/wmf"}) {
    if (!data.hasFormat(type)) continue;
    const QByteArray bytes = data.data(type);
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
  }
  return std::nullopt;
}

std::filesystem::path AbsoluteFolder(const std::string& folder) {
  std::error_code ec;
  std::filesystem::path p = folder.empty() ? std::filesystem::current_path(ec)
                                           : std::filesystem::path(platform::resolve_path(folder));
  if (p.is_relative()) p = std::filesystem::current_path(ec) / p;
  p = std::filesystem::weakly_canonical(p, ec).lexically_normal();
  return p.has_filename() ? p : p.parent_path();
}

}  // namespace

GraphicsFileDialog::GraphicsFileDialog(MainNotifier* mainWindow, QWidget* parent)
    : SecondaryForm("Form11", mainWindow, parent) {
  setWindowTitle("Graphics file");
  controls_ = new QWidget(this);
  Label3 = new QLabel("load from...", controls_);
  Label3->setObjectName("Label3");
  Button4 = new QPushButton("Clipboard", controls_);
  Button4->setObjectName("Button4");
  Button5 = new QPushButton("File", controls_);
  Button5->setObjectName("Button5");
  RadioGroup1 = new QGroupBox("File format", controls_);
  RadioGroup1->setObjectName("RadioGroup1");
  RadioGroup1->setProperty("controlClass", "TRadioGroup");
  RadioButtons = new QButtonGroup(this);
  auto* formats = new QHBoxLayout(RadioGroup1);
  for (int i = 0; i < 5; ++i) {
    RadioItems[i] = new QRadioButton(kGraphicsFormats[i], RadioGroup1);
    RadioButtons->addButton(RadioItems[i], i);
    formats->addWidget(RadioItems[i]);
  }
  Label1 = new QLabel("Filename for saving", controls_);
  Label1->setObjectName("Label1");
  Edit1 = new QLineEdit(controls_);
  Edit1->setObjectName("Edit1");
  Label2 = new QLabel(controls_);
  Label2->setObjectName("Label2");
  Button2 = new QPushButton("Save", controls_);
  Button2->setObjectName("Button2");
  Button1 = new QPushButton("Cancel", controls_);
  Button1->setObjectName("Button1");
  Button3 = new QPushButton("?", controls_);
  Button3->setObjectName("Button3");
  Image1 = new QLabel(this);
  Image1->setObjectName("Image1");
  Image1->setScaledContents(true);

  auto* grid = new QGridLayout(controls_);
  grid->addWidget(Label3, 0, 0);
  grid->addWidget(Button4, 0, 1);
  grid->addWidget(Button5, 0, 2);
  grid->addWidget(RadioGroup1, 1, 0, 1, 6);
  grid->addWidget(Label1, 2, 0);
  grid->addWidget(Edit1, 2, 1, 1, 2);
  grid->addWidget(Button2, 2, 3);
  grid->addWidget(Button1, 2, 4);
  grid->addWidget(Button3, 2, 5);
  grid->addWidget(Label2, 3, 0, 1, 6);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(controls_);
  layout->addStretch(1);
  resize(640, 520);

  connect(Button4, &QPushButton::clicked, this, [this] { LadenVonClipboard(); });
  connect(Button5, &QPushButton::clicked, this, [this] { Button5OnClick(); });
  connect(Button2, &QPushButton::clicked, this, [this] { Button2OnClick(); });
  connect(Button1, &QPushButton::clicked, this, [this] { close(); });
  connect(Button3, &QPushButton::clicked, this, [this] {
    if (ShowHelp) ShowHelp(23);
  });
  connect(RadioButtons, &QButtonGroup::idClicked, this, [this](int id) { Radiogroup1OnClick(id); });
}

std::uint8_t GraphicsFileDialog::Language() const { return Settings ? Settings->Language : 0; }

void GraphicsFileDialog::Say(const MessageTexts& texts) {
  if (Boxes) Boxes->ShowMessageBox(ShowMessage(Language(), texts), kBoxError);
}

void GraphicsFileDialog::SetLabel2(const MessageTexts& texts, const std::string& tail) {
  Label2->setText(CaptionText(ShowMessage(Language(), texts) + tail));
}

void GraphicsFileDialog::SetButtonsEnabled(bool enabled) {
  for (QPushButton* b : {Button1, Button2, Button3, Button4, Button5}) b->setEnabled(enabled);
}

void GraphicsFileDialog::SelectFormat(int index) {
  selecting_ = true;
  if (index >= 0 && index < 5) {
    RadioItems[index]->setChecked(true);
  } else {
    RadioButtons->setExclusive(false);
    for (QRadioButton* item : RadioItems) item->setChecked(false);
    RadioButtons->setExclusive(true);
  }
  selecting_ = false;
}

void GraphicsFileDialog::ConnectEditorLink(const EditorLink& link) {
  PictureRequest = [link] {
    if (!link.State) return EditorPictureRequest{};
    return EditorPictureRequest{link.State->PicturePercent.load(),
                                link.State->PictureTextWidth.load()};
  };
  InsertIntoEditor = [this, link](const std::string& text, std::int32_t requestFlag,
                                  std::uint8_t selector) {
    return InsertTextIntoEditor(link, text, "", requestFlag, Files,
                                EditorInsertion{selector != 0, {}});
  };
  DialogDone = [this, link](std::uint8_t selector) {
    SendEditorCommand(link, EL_DIALOG_DONE, 0, Files, selector != 0);
  };
}

void GraphicsFileDialog::OpenFromEditor(bool named, std::uint8_t selector,
                                        const std::string& name) {
  CalledFromEditor = true;
  PictureNamed = named;
  if (named) WindowSelector = selector;
  show();
  raise();
  activateWindow();
  if (named)
    LadenVonDatei(name);
  else
    LadenVonClipboard();
}

void GraphicsFileDialog::OpenWithFile(const std::string& name) {
  CalledFromEditor = false;
  PictureNamed = false;
  WindowSelector = 0;
  show();
  raise();
  activateWindow();
  if (!name.empty()) LadenVonDatei(name);
}

void GraphicsFileDialog::showEvent(QShowEvent* event) {
  SecondaryForm::showEvent(event);
  if (!initialise_) return;
  initialise_ = false;
  layout()->activate();
  layoutDistance_ = controls_->geometry().bottom() + 10;
  SelectFormat(formatIndex_);
  SetImageDimensions();
}

void GraphicsFileDialog::closeEvent(QCloseEvent* event) {
  initialise_ = true;
  selecting_ = true;
  SecondaryForm::closeEvent(event);
}

void GraphicsFileDialog::resizeEvent(QResizeEvent* event) {
  SecondaryForm::resizeEvent(event);
  SetImageDimensions();
}

void GraphicsFileDialog::wheelEvent(QWheelEvent* event) {
  // The picture fits the window, so there is nothing to scroll; the preview is told all the same.
  if (MainWindow()) MainWindow()->Post(MN_PREVIEW_REDRAW, 0);
  event->accept();
}

void GraphicsFileDialog::ClearImage() {
  Label2->clear();
  Image1->clear();
  Image1->setGeometry(10, layoutDistance_, 0, 0);
}

void GraphicsFileDialog::ShowPicture() {
  const QSize box = Image1->size();
  if (box.width() <= 0 || box.height() <= 0) {
    Image1->clear();
    return;
  }
  if (!bitmap_.empty()) {
    Image1->setPixmap(QPixmap::fromImage(ImageFromBitmap(bitmap_)));
    return;
  }
  const platform::PictureResult drawn =
      platform::render_metafile(metafile_, box.width(), box.height());
  if (drawn.ok())
    Image1->setPixmap(QPixmap::fromImage(ImageFromBitmap(drawn.bitmap)));
  else
    Image1->clear();
}

void GraphicsFileDialog::SetImageDimensions() {
  if (!HasPicture()) return;
  const int boxWidth = std::max(0, width() - 20);
  const int boxHeight = std::max(0, height() - layoutDistance_ - 10);
  const int pictureWidth = PictureIsMetafile() ? metafile_.width : bitmap_.width;
  const int pictureHeight = PictureIsMetafile() ? metafile_.height : bitmap_.height;
  Image1->setVisible(true);
  if (pictureWidth <= 0 || pictureHeight <= 0) {
    Image1->setGeometry(10, layoutDistance_, 0, 0);
  } else {
    int shownWidth = boxWidth, shownHeight = boxHeight;
    // The box's shape against the picture's: the side that is relatively longer is cut.
    if (static_cast<double>(boxHeight) / boxWidth >
        static_cast<double>(pictureHeight) / pictureWidth)
      shownHeight = static_cast<int>(
          std::lround(static_cast<double>(boxWidth) * pictureHeight / pictureWidth));
    else
      shownWidth = static_cast<int>(
          std::lround(static_cast<double>(boxHeight) * pictureWidth / pictureHeight));
    Image1->setGeometry(10, layoutDistance_, shownWidth, shownHeight);
  }
  ShowPicture();
  if (formatIndex_ >= 0 && IsMetafileFormat(formatIndex_)) {
    SetLabel2(kMetafileVariable);
    return;
  }
  if (PictureIsMetafile()) return;
  std::string line = std::to_string(bitmap_.width) + " x " + std::to_string(bitmap_.height) +
                     "  (" + std::to_string(std::lround(Image1->width() * 100.0 / bitmap_.width)) +
                     "%)";
  if (CalledFromEditor) {
    const EditorPictureRequest request = PictureRequest ? PictureRequest() : EditorPictureRequest{};
    const bool sized = BerechneGroesse(PictureRatio(bitmap_.width, bitmap_.height), false);
    line += "; " + ShowMessage(Language(), kRequiredFor) +
            std::to_string(Settings ? Settings->MetafileDpi : 300) + " dpi, .RM" +
            std::to_string(request.PictureTextWidth) + ", .BW" +
            std::to_string(request.PicturePercent) + ": " +
            (sized ? std::to_string(RequiredWidth) + " x " + std::to_string(RequiredHeight)
                   : std::string("-"));
  }
  SetLabel2(kSize, line);
}

bool GraphicsFileDialog::BerechneGroesse(std::optional<double> ratio, bool report) {
  const EditorPictureRequest request = PictureRequest ? PictureRequest() : EditorPictureRequest{};
  std::int32_t scratchDpi = 0;
  std::int32_t& dpi = Settings ? Settings->MetafileDpi : scratchDpi;
  const std::optional<RequiredSize> size = tavrel::BerechneGroesse(
      ratio.value_or(0), dpi, request.PictureTextWidth, request.PicturePercent);
  if (size) {
    RequiredWidth = size->Width;
    RequiredHeight = size->Height;
    return true;
  }
  if (report) {
    if (!ratio)
      Say(kNoWidth);
    else if (request.PicturePercent <= 0)
      Say(kPercentZero);
    else if (request.PictureTextWidth <= 0)
      Say(kSizeEmpty);
    else
      Say(kSizeTooLarge);
  }
  return false;
}

void GraphicsFileDialog::NameForFormat() {
  if (PictureNamed) return;
  if (formatIndex_ < 0) {
    Say(kSelectFormat);
    return;
  }
  const std::optional<std::string> name =
      MakeGraphicsFileName(LowerExtension(formatIndex_), Files.CurrentDocument);
  if (!name) {
    Say({kGraphicsNamesExhausted, kGraphicsNamesExhausted});
    Edit1->clear();
    return;
  }
  Edit1->setText(CaptionText(*name));
}

void GraphicsFileDialog::LadenVonClipboard() {
  SetButtonsEnabled(false);
  SetLabel2(kLoadingClipboard);
  const QMimeData* data = QApplication::clipboard()->mimeData();
  std::optional<std::string> metafileBytes = data ? ClipboardMetafile(*data) : std::nullopt;
  platform::MetafileResult metafile;
  if (metafileBytes) metafile = platform::read_metafile(std::move(*metafileBytes));
  if (data && data->hasImage() && !qvariant_cast<QImage>(data->imageData()).isNull()) {
    bitmap_ = BitmapFromImage(qvariant_cast<QImage>(data->imageData()));
    metafile_ = {};
    formatIndex_ = 0;
  } else if (metafileBytes && metafile.ok()) {
    metafile_ = std::move(metafile.metafile);
    bitmap_ = {};
    formatIndex_ = metafile_.format == platform::PictureFormat::emf ? 1 : 2;
  } else {
    // The picture shown so far stays, and so does its format.
    Say(kNoClipboardGraphic);
    SetButtonsEnabled(true);
    SetImageDimensions();
    return;
  }
  SelectFormat(formatIndex_);
  SetImageDimensions();
  NameForFormat();
  SetButtonsEnabled(true);
  SetLabel2(kLoadedClipboard);
}

void GraphicsFileDialog::LadenVonDatei(const std::string& name) {
  SetButtonsEnabled(false);
  SetLabel2(kLoadingFile);
  std::string found = PictureFileName(name);
  const bool located = !name.empty() && (LocateFile(found, Files) || FileExistsByOpen(found));
  std::string error;
  platform::Bitmap bitmap;
  platform::Metafile metafile;
  if (located) {
    const platform::ReadResult read = platform::read_file(found);
    std::string bytes(read.bytes.begin(), read.bytes.end());
    const platform::PictureFormat kind = platform::sniff_picture_format(bytes);
    if (!read.ok()) {
      error = "?";
    } else if (kind == platform::PictureFormat::emf || kind == platform::PictureFormat::wmf) {
      platform::MetafileResult m = platform::read_metafile(std::move(bytes));
      if (m.ok())
        metafile = std::move(m.metafile);
      else
        error = m.error;
    } else {
      platform::PictureResult p = platform::decode_picture(
          bytes, platform::picture_format_from_extension(ExtensionOf(found)));
      if (p.ok())
        bitmap = std::move(p.bitmap);
      else
        error = p.error;
    }
  }
  SetButtonsEnabled(true);
  if (!located || !error.empty()) {
    Image1->setVisible(true);
    const std::string shown = ExtractFileNamePart(name);
    std::string text = ShowMessage(Language(), kFileNotFound) + shown;
    if (!located || error == "?")
      text += ShowMessage(Language(), kFileNotFoundEnd);
    else
      text += ShowMessage(Language(), kFileUnreadable) + error;
    if (Boxes) Boxes->ShowMessageBox(text, kBoxError);
    SetImageDimensions();
    return;
  }
  bitmap_ = std::move(bitmap);
  metafile_ = std::move(metafile);
  int index = GrafikdateiTypnr(ExtensionOf(PictureFileName(name)));
  // The contents decide where the name misleads: a metafile is never taken for a bitmap.
  if (PictureIsMetafile())
    index = metafile_.format == platform::PictureFormat::emf ? 1 : 2;
  else if (index < 0 || IsMetafileFormat(index))
    index = 0;
  formatIndex_ = index;
  SelectFormat(formatIndex_);
  SetImageDimensions();
  if (PictureNamed)
    Edit1->setText(CaptionText(name));
  else
    NameForFormat();
  SetLabel2(kLoadedFile, ExtractFileNamePart(name));
}

void GraphicsFileDialog::Button5OnClick() {
  std::string name;
  if (ChooseFile) {
    name = ChooseFile();
  } else {
    QStringList filters;
    for (const char* f : kFileFilters) filters << f;
    const QString chosen = QFileDialog::getOpenFileName(
        this, CaptionText(ShowMessage(Language(), kSelectFile)), QString(), filters.join(";;"));
    name = CaptionBytes(chosen);
  }
  if (!name.empty()) LadenVonDatei(name);
}

bool GraphicsFileDialog::ConvertMetafileToBitmap() {
  if (!BerechneGroesse(PictureRatio(metafile_.width, metafile_.height), true)) return false;
  const platform::PictureResult drawn =
      platform::render_metafile(metafile_, RequiredWidth, RequiredHeight);
  if (!drawn.ok()) {
    if (Boxes) Boxes->ShowMessageBox(drawn.error, kBoxError);
    return false;
  }
  bitmap_ = drawn.bitmap;
  metafile_ = {};
  return true;
}

void GraphicsFileDialog::Radiogroup1OnClick(int index) {
  if (selecting_ || index < 0 || index > 4 || index == formatIndex_) return;
  if (!HasPicture()) {
    formatIndex_ = index;
    if (!Edit1->text().isEmpty())
      Edit1->setText(
          CaptionText(ChangeFileExtension(CaptionBytes(Edit1->text()), LowerExtension(index))));
    return;
  }
  const bool toMetafile = IsMetafileFormat(index);
  if (!PictureIsMetafile() && toMetafile) {
    Say(kBitmapToMetafile);
    SelectFormat(formatIndex_);
    return;
  }
  if (PictureIsMetafile() && !toMetafile) {
    if (!CalledFromEditor) {
      Say(kRunFromEditor);
      SelectFormat(formatIndex_);
      return;
    }
    if (!ConvertMetafileToBitmap()) {
      SelectFormat(formatIndex_);
      return;
    }
    formatIndex_ = index;
    SetImageDimensions();
    SetLabel2(kConverted);
  } else {
    formatIndex_ = index;
    SetImageDimensions();
  }
  if (!Edit1->text().isEmpty())
    Edit1->setText(
        CaptionText(ChangeFileExtension(CaptionBytes(Edit1->text()), LowerExtension(index))));
}

std::optional<std::string> GraphicsFileDialog::SaveTarget(const std::string& name) {
  const std::string documentFolder = ExtractDirectoryPart(Files.CurrentDocument);
  std::string normal = name;
  std::replace(normal.begin(), normal.end(), '\\', '/');
  const std::string file = ExtractFileNamePart(normal);
  if (file.empty() || file == "." || file == "..") return std::nullopt;
  // A name with a folder must name the document's own folder, however it is spelt.
  const std::string directory = ExtractDirectoryPart(normal);
  if (normal.find('/') != std::string::npos &&
      AbsoluteFolder(directory.empty() ? "/" : directory) != AbsoluteFolder(documentFolder))
    return std::nullopt;
  return documentFolder.empty() ? file : JoinPath(documentFolder, file);
}

void GraphicsFileDialog::Button2OnClick() {
  const std::string name = CaptionBytes(Edit1->text());
  if (name.empty()) {
    Say(kEnterName);
    return;
  }
  if (!HasPicture()) {
    Say(kNoPicture);
    return;
  }
  if (formatIndex_ < 0) {
    Say(kSelectFormat);
    return;
  }
  const std::optional<std::string> target = SaveTarget(name);
  if (!target) {
    if (Boxes) Boxes->ShowMessageBox(ShowMessage(Language(), kOutsideFolder) + name, kBoxError);
    return;
  }
  const platform::PictureFormat format = kPlatformFormats[formatIndex_];
  platform::EncodeResult encoded;
  if (IsMetafileFormat(formatIndex_)) {
    if (!PictureIsMetafile()) {
      Say(kBitmapToMetafile);
      return;
    }
    encoded = platform::write_metafile(metafile_, format);
  } else {
    if (PictureIsMetafile() && !ConvertMetafileToBitmap()) return;
    encoded = platform::encode_picture(bitmap_, format);
  }
  std::string failure = encoded.error;
  if (encoded.ok()) {
    const platform::FileError written = platform::replace_file_atomic(*target, encoded.bytes);
    if (written != platform::FileError::none) failure = platform::file_error_text(written);
  }
  if (!failure.empty()) {
    // Nothing goes to the editor: a ".BM" line would name a picture that is not there.
    if (Boxes)
      Boxes->ShowMessageBox(ShowMessage(Language(), kSaveFailed) + name + " (" + failure + ")",
                            kBoxError);
    return;
  }
  savedFileName_ = *target;
  const std::uint8_t selector = WindowSelector;
  const bool toEditor = CalledFromEditor;
  if (toEditor && InsertIntoEditor)
    InsertIntoEditor(".BM " + ExtractFileNamePart(*target), PictureNamed ? 1 : 0, selector);
  close();
  if (toEditor && DialogDone)
    QTimer::singleShot(DialogDoneDelay, this, [this, selector] { DialogDone(selector); });
}

}  // namespace tavrel
