// Labels, buttons and edit fields on Qt widgets.
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStringList>
#include <algorithm>
#include <optional>

#include "window/qt/QtControl.h"
#include "window/qt/QtConvert.h"
#include "window/qt/QtTextControls.h"

namespace hi {

namespace {

// Takes its clicks (a click on a label does not reach the window under it).
class LabelWidget : public QLabel {
 public:
  LabelWidget(ControlSink& sink, QWidget* parent) : QLabel(parent), sink_(sink) {}

 protected:
  void mousePressEvent(QMouseEvent* event) override {
    if (event->button() == Qt::LeftButton) sink_.clicked();
    event->accept();
  }

 private:
  ControlSink& sink_;
};

class QtLabel : public QtControl<LabelDriver> {
 public:
  QtLabel(WindowDriver* parent, ControlSink& sink) : QtControl(sink) {
    label_ = new LabelWidget(sink, controlParent(parent));
    label_->setTextFormat(Qt::PlainText);
    label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label_->setWordWrap(false);
    core_.attach(label_);
  }
  void setText(const std::string& text) override { label_->setText(toQtLines(text)); }
  std::string text() const override { return fromQtLines(label_->text()); }
  void setAlignment(Alignment align, bool wrap) override {
    label_->setAlignment(qtAlignment(align) | Qt::AlignTop);
    label_->setWordWrap(wrap);
  }

 private:
  QLabel* label_;
};

// Room the button's own frame and padding take from its width.
constexpr int ButtonTextPadding = 8;

class ButtonWidget : public QPushButton {
 public:
  using QPushButton::QPushButton;
  QString caption;

  void wrap() {
    const QString wrapped = wrapText(caption, QFontMetrics(font()), width() - ButtonTextPadding);
    if (wrapped != text()) setText(wrapped);
  }

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QPushButton::resizeEvent(event);
    wrap();
  }
  void changeEvent(QEvent* event) override {
    QPushButton::changeEvent(event);
    if (event->type() == QEvent::FontChange) wrap();
  }
};

class QtButton : public QtControl<ButtonDriver> {
 public:
  QtButton(WindowDriver* parent, ControlSink& sink, const ButtonStyle& style) : QtControl(sink) {
    button_ = new ButtonWidget(controlParent(parent));
    QObject::connect(button_, &QPushButton::clicked, button_, [&sink] { sink.clicked(); });
    button_->setAutoDefault(false);
    button_->setDefault(style.defaultButton);
    core_.attach(button_);
  }
  void setText(const std::string& text) override {
    button_->caption = toQtLines(text);
    button_->wrap();
  }
  std::string text() const override { return fromQtLines(button_->caption); }

 private:
  ButtonWidget* button_;
};

class QtEdit : public QtControl<EditDriver> {
 public:
  QtEdit(WindowDriver* parent, ControlSink& sink, const EditStyle& style) : QtControl(sink) {
    edit_ = new QLineEdit(controlParent(parent));
    // The window layer draws the edge itself (sunken or flat, as Frame3D and EdgeStyle say).
    edit_->setFrame(false);
    edit_->setEchoMode(style.password ? QLineEdit::Password : QLineEdit::Normal);
    edit_->setReadOnly(style.readOnly);
    edit_->setAlignment(qtAlignment(style.align) | Qt::AlignVCenter);
    core_.attach(edit_);
    QObject::connect(edit_, &QLineEdit::textChanged, edit_, [&sink] { sink.textChanged(); });
  }

  void setVisible(bool visible) override {
    if (visible && held_) {
      // Told already when it was set.
      const QSignalBlocker quiet(edit_);
      edit_->setText(held_->text);
      edit_->setCursorPosition(held_->caret);
      held_.reset();
    }
    QtControl::setVisible(visible);
  }
  void setEdge(Edge edge) override {
    core_.setEdge(edge);
    const int w = edgeWidth(edge);
    edit_->setTextMargins(w, 0, w, 0);
  }
  void setText(const std::string& text) override {
    // Qt shapes and measures a line edit's text as it is set, shown or not. A hidden edit
    // holds its text until it is shown instead: the upload's running CRC goes into one
    // about a thousand times.
    if (hiddenByUs()) {
      QString q = toQt(text);
      if (q == currentText()) return;  // Qt is silent then too
      const int caret = static_cast<int>(q.size());
      held_ = Held{std::move(q), caret};
      core_.sink().textChanged();
      return;
    }
    edit_->setText(toQt(text));
    // Qt scrolls a new text to its end; the line shows its start, as a Windows edit does,
    // so that a long text does not push its first words out of sight.
    edit_->setCursorPosition(0);
  }
  std::string text() const override { return fromQt(currentText()); }
  int caret() const override {
    if (held_) return held_->caret;
    return edit_->hasSelectedText() ? edit_->selectionStart() : edit_->cursorPosition();
  }
  void setCaret(int position) override {
    if (held_) {
      held_->caret = std::clamp(position, 0, static_cast<int>(held_->text.size()));
      return;
    }
    edit_->setCursorPosition(position);
  }

 private:
  struct Held {
    QString text;
    int caret = 0;
  };

  // Hidden by a call of ours: nothing but setVisible shows it again (a window shown shows
  // only the children not hidden on purpose).
  bool hiddenByUs() const {
    return edit_->isHidden() && edit_->testAttribute(Qt::WA_WState_ExplicitShowHide);
  }
  QString currentText() const { return held_ ? held_->text : edit_->text(); }

  QLineEdit* edit_;
  std::optional<Held> held_;  // the text of a hidden edit, not yet given to Qt
};

}  // namespace

Qt::Alignment qtAlignment(Alignment align) {
  switch (align) {
    case Alignment::Right:
      return Qt::AlignRight;
    case Alignment::Centre:
      return Qt::AlignHCenter;
    default:
      return Qt::AlignLeft;
  }
}

QString wrapText(const QString& text, const QFontMetrics& metrics, int width) {
  QStringList lines;
  for (const QString& paragraph : text.split(QLatin1Char('\n'))) {
    QString line;
    for (const QString& word : paragraph.split(QLatin1Char(' '))) {
      const QString candidate = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
      if (!line.isEmpty() && metrics.horizontalAdvance(candidate) > width) {
        lines << line;
        line = word;
      } else {
        line = candidate;
      }
    }
    lines << line;
  }
  return lines.join(QLatin1Char('\n'));
}

std::unique_ptr<LabelDriver> newLabelDriver(WindowDriver* parent, ControlSink& sink) {
  return std::make_unique<QtLabel>(parent, sink);
}

std::unique_ptr<ButtonDriver> newButtonDriver(WindowDriver* parent, ControlSink& sink,
                                              const ButtonStyle& style) {
  return std::make_unique<QtButton>(parent, sink, style);
}

std::unique_ptr<EditDriver> newEditDriver(WindowDriver* parent, ControlSink& sink,
                                          const EditStyle& style) {
  return std::make_unique<QtEdit>(parent, sink, style);
}

}  // namespace hi
