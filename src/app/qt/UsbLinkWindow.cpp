#include "app/qt/UsbLinkWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QFile>
#include <QFont>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScreen>
#include <QString>
#include <QStringList>
#include <QStyle>
#include <chrono>

#include "platform/os/SessionLogFolder.h"

namespace usblink::app::qt {

namespace {

QString Text(std::string_view text) {
  return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::size_t IndexOf(Control control) { return static_cast<std::size_t>(control); }

std::unique_ptr<QWidget> MakeControl(const ControlLayout& layout, QWidget& parent) {
  switch (layout.kind) {
    case ControlKind::Button:
      return std::make_unique<QPushButton>(&parent);
    case ControlKind::ListBox: {
      auto list = std::make_unique<QListWidget>(&parent);
      list->setUniformItemSizes(true);
      return list;
    }
    case ControlKind::TextBox:
      return std::make_unique<QLineEdit>(&parent);
    case ControlKind::Label: {
      auto label = std::make_unique<QLabel>(&parent);
      label->setTextFormat(Qt::PlainText);
      label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
      // A label that sizes itself keeps its caption on one line.
      label->setWordWrap(!layout.autoSize);
      if (layout.red) {
        QPalette palette = label->palette();
        palette.setColor(QPalette::WindowText, Qt::red);
        label->setPalette(palette);
      }
      return label;
    }
  }
  return nullptr;
}

// The window is drawn in SimSun and NSimSun, which few machines outside
// Windows have: they are mapped to an installed Song/Ming face so the CJK
// characters and the full-width "：" "！" of the texts still render. Safe to
// call more than once.
void SubstituteCjkFaces() {
  // Song/Ming faces in the order of preference; fontconfig picks the first installed.
  const QStringList songFaces{"AR PL UMing CN", "AR PL UMing TW", "Noto Serif CJK SC",
                              "Source Han Serif SC", "WenQuanYi Zen Hei"};
  for (const char* face : {"SimSun", "NSimSun"}) {
    const QString name = QString::fromLatin1(face);
    const QStringList present = QFont::substitutes(name);
    for (const QString& song : songFaces) {
      if (!present.contains(song)) QFont::insertSubstitution(name, song);
    }
  }
}

QFont FontOf(const FontSpec& spec) {
  QFont font(QString::fromUtf8(spec.face.data(), static_cast<qsizetype>(spec.face.size())));
  font.setPointSizeF(spec.points);
  font.setBold(spec.bold);
  return font;
}

}  // namespace

UsbLinkWindow::UsbLinkWindow(QtEventLoop& events, DialogPort& dialogs, std::string_view caption)
    : QWidget(nullptr, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                           Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint),
      events_(events),
      dialogs_(dialogs),
      scale_(screen()->logicalDotsPerInchX(), screen()->logicalDotsPerInchY()) {
  SubstituteCjkFaces();
  setWindowTitle(Text(caption));
  setWindowIcon(QIcon(QStringLiteral(":/usblink.svg")));
  setFont(FontOf(kWindowFont));
  const PixelRect client = scale_.Client();
  setFixedSize(client.width, client.height);
  setGeometry(
      QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(), screen()->availableGeometry()));
  for (const auto& layout : kControls) Create(layout);
  for (std::size_t i = 1; i < kFocusOrder.size(); ++i) {
    setTabOrder(&Widget(kFocusOrder[i - 1]), &Widget(kFocusOrder[i]));
  }
}

void UsbLinkWindow::Create(const ControlLayout& layout) {
  auto control = MakeControl(layout, *this);
  control->setFont(FontOf(layout.font));
  const PixelRect place = scale_.Rect(layout);
  control->setGeometry(place.left, place.top, place.width, place.height);
  controls_[IndexOf(layout.control)] = std::move(control);
}

QWidget& UsbLinkWindow::Widget(Control control) const { return *controls_[IndexOf(control)]; }

QListWidget& UsbLinkWindow::Log() const {
  return static_cast<QListWidget&>(Widget(Control::lstResults));
}

void UsbLinkWindow::Attach(UsbWindow& model) {
  model_ = &model;
  for (const auto& layout : kControls) ConnectInput(layout);
}

void UsbLinkWindow::ConnectInput(const ControlLayout& layout) {
  QWidget& widget = Widget(layout.control);
  UsbWindow& model = *model_;
  const Control control = layout.control;
  if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
    QObject::connect(edit, &QLineEdit::textChanged, this, [&model, control](const QString& text) {
      model.EditText(control, text.toStdString());
    });
  } else if (auto* button = qobject_cast<QPushButton*>(&widget)) {
    QObject::connect(button, &QPushButton::clicked, this,
                     [&model, control] { model.Click(control); });
  }
}

void UsbLinkWindow::ControlChanged(Control control, const ControlState& state) {
  QWidget& widget = Widget(control);
  const QString caption = Text(state.caption);
  if (auto* button = qobject_cast<QPushButton*>(&widget)) {
    button->setText(caption);
  } else if (auto* edit = qobject_cast<QLineEdit*>(&widget)) {
    if (edit->text() != caption) edit->setText(caption);
  } else if (auto* label = qobject_cast<QLabel*>(&widget)) {
    label->setText(caption);
    if (LayoutOf(control).autoSize) label->adjustSize();
  }
  widget.setVisible(state.visible);
  widget.setEnabled(state.enabled);
}

void UsbLinkWindow::LogAppended(std::string_view line) { Log().addItem(Text(line)); }

void UsbLinkWindow::LogCleared() { Log().clear(); }

void UsbLinkWindow::LogLineSelected(std::size_t index) {
  QListWidget& log = Log();
  log.setCurrentRow(static_cast<int>(index));
  log.scrollToItem(log.currentItem());
}

void UsbLinkWindow::ShowMessageBox(std::string_view text, std::string_view title) {
  dialogs_.Message(*this, Text(text), Text(title));
}

std::optional<std::string> UsbLinkWindow::ShowOpenFileDialog(const FileFilter& filter,
                                                             std::string_view earlier) {
  const QString shown =
      QFile::decodeName(QByteArray(earlier.data(), static_cast<qsizetype>(earlier.size())));
  auto chosen = dialogs_.OpenFile(*this, filter, shown);
  if (!chosen) return std::nullopt;
  // The name as the file system spells it, which need not be UTF-8.
  return QFile::encodeName(*chosen).toStdString();
}

bool UsbLinkWindow::ConfirmClose(std::string_view question) {
  return dialogs_.Confirm(*this, Text(question), Text(kWindowCaption));
}

void UsbLinkWindow::EndProcess() {
  events_.MarkClosed();
  // Queued, so the process ends once the running handler has returned; it does
  // nothing where no event loop runs.
  QMetaObject::invokeMethod(QCoreApplication::instance(), &QCoreApplication::quit,
                            Qt::QueuedConnection);
}

void UsbLinkWindow::closeEvent(QCloseEvent* event) {
  if (model_ != nullptr && !model_->QueryClose()) {
    event->ignore();
    return;
  }
  event->accept();
}

WindowSession::WindowSession(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint,
                             std::string_view caption)
    : log_(SessionLogFolder(), std::chrono::system_clock::now()),
      view_(events_, dialogs, caption),
      model_(api, events_.Pacer(), view_) {
  model_.KeepSessionLog(log_);
  model_.SetAccessHint(std::move(accessHint));
  view_.Attach(model_);
}

int RunWindow(HidApi& api, DialogPort& dialogs, AccessHintSource accessHint,
              const std::function<void(WindowSession&)>& shown, std::string_view caption) {
  WindowSession session(api, dialogs, std::move(accessHint), caption);
  session.View().show();
  if (shown) shown(session);
  const int status = QApplication::exec();
  if (const int ended = session.Model().ExitStatus(); ended != 0) return ended;
  return status;
}

}  // namespace usblink::app::qt
