#include "ui/wizard/fields/job_name_edit.h"

#include <QKeyEvent>
#include <QValidator>
#include <algorithm>

namespace parvolind::ui {

bool IsJobNameCharacter(QChar character) {
  const char16_t c = character.unicode();
  return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') ||
         c == u'-' || c == u' ' || c == u'.' || c == u'_';
}

// Filters only what an edit put into the text: the part between the longest common
// start and end of the text before and after. So a stored name with characters
// that cannot be typed keeps them while the user changes other parts.
class JobNameEdit::InsertionFilter : public QValidator {
 public:
  using QValidator::QValidator;

  void Accept(const QString& text) { accepted_ = text; }

  State validate(QString& input, int& position) const override {
    const qsizetype common = std::min(input.size(), accepted_.size());
    qsizetype prefix = 0;
    while (prefix < common && input.at(prefix) == accepted_.at(prefix)) ++prefix;
    qsizetype suffix = 0;
    while (suffix < common - prefix &&
           input.at(input.size() - 1 - suffix) == accepted_.at(accepted_.size() - 1 - suffix)) {
      ++suffix;
    }
    const QString inserted = input.mid(prefix, input.size() - prefix - suffix);
    QString kept;
    for (const QChar c : inserted) {
      if (IsJobNameCharacter(c)) kept.append(c);
    }
    if (kept.size() != inserted.size()) {
      input = input.left(prefix) + kept + input.right(suffix);
      position = static_cast<int>(prefix + kept.size());
    }
    return Acceptable;
  }

 private:
  QString accepted_;
};

JobNameEdit::JobNameEdit(QWidget* parent) : QLineEdit(parent), filter_(new InsertionFilter(this)) {
  setValidator(filter_);
  connect(this, &QLineEdit::textChanged, this,
          [this](const QString& text) { filter_->Accept(text); });
}

void JobNameEdit::SetName(const QString& name) {
  filter_->Accept(name);
  setText(name);
}

void JobNameEdit::keyPressEvent(QKeyEvent* event) {
  // A key that would type only refused characters does nothing at all, so it
  // does not even replace a selection.
  const QString text = event->text();
  const bool refused = !text.isEmpty() && std::all_of(text.begin(), text.end(), [](QChar c) {
    return c.isPrint() && !IsJobNameCharacter(c);
  });
  if (refused) {
    event->accept();
    return;
  }
  QLineEdit::keyPressEvent(event);
}

}  // namespace parvolind::ui
