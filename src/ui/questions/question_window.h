#pragma once

#include <QSize>
#include <QString>
#include <string>

#include "schedule/tick_host.h"
#include "ui/controls/hover_group.h"
#include "ui/skin/skinned_window.h"

class QEventLoop;
class QLabel;

namespace parvolind::ui {

class FlatCheckBox;
class QuestionButton;

/// A small skinned question window with "Ja" and "Nein" and the box "Dieses Fenster nicht
/// mehr anzeigen.". It is created once and reused for every question, so the box keeps
/// whatever state the user left it in. The answer is carried in Tag(): 0 while no answer
/// has come, 1 for Yes, 2 for No.
class QuestionWindow : public SkinnedWindow {
  Q_OBJECT

 public:
  /// Shows the question for `job_name` as a non-modal window above all others, without
  /// taking the keyboard from the window the user works in, and waits, in a nested event
  /// loop, until it is answered: "Ja", "Nein", closing the window (or Esc in it), Abort()
  /// and the application quitting; the last three answer No. A minimise answers nothing.
  /// The window is hidden again when Ask returns. A question asked while another one
  /// waits in this window is answered No at once.
  QuestionAnswer Ask(const std::string& job_name);
  /// A window destroyed while it waits ends its question with No.
  ~QuestionWindow() override;
  /// Ends a waiting question with No (the program is ending); otherwise just hides.
  void Abort();

  /// 0 = no answer yet, 1 = Yes, 2 = No.
  int Tag() const { return tag_; }
  /// Whether Ask() is waiting for an answer.
  bool IsWaiting() const { return loop_ != nullptr; }

  QuestionButton& YesButton() { return *yes_; }
  QuestionButton& NoButton() { return *no_; }
  FlatCheckBox& CheckBox() { return *check_box_; }
  QLabel& MessageLabel() { return *message_; }
  QLabel& CheckBoxLabel() { return *check_label_; }

 protected:
  /// What tells the two windows apart.
  struct Layout {
    QSize client;        ///< client size
    const char* name;    ///< "Confirm" or "Recover", for the object names
    QString title;       ///< LabelInfo
    int message_height;  ///< room for the wrapped message below 54
    int question_top;    ///< top of the question line
    QString question;    ///< the question line
  };

  QuestionWindow(const Layout& layout, QWidget* parent);

  /// The message for one job.
  virtual std::string MessageText(const std::string& job_name) const = 0;

  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void Answer(int tag);

  QLabel* message_;
  QuestionButton* yes_;
  QuestionButton* no_;
  HoverGroup buttons_;
  FlatCheckBox* check_box_;
  QLabel* check_label_;
  int tag_ = 0;
  QEventLoop* loop_ = nullptr;
};

}  // namespace parvolind::ui
