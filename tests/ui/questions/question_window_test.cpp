#include "ui/questions/form_confirm.h"
#include "ui/questions/form_recover.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QLabel>
#include <QTest>
#include <QTimer>
#include <functional>

#include "support/test_environment.h"
#include "ui/controls/flat_check_box.h"
#include "ui/questions/question_button.h"
#include "ui/ui_test_support.h"

namespace parvolind::ui {
namespace {

class QuestionWindowsTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    testing::EnsureApplication();
  }

  // Asks, and lets `act` answer from inside the wait. A guard ends a question that the
  // action failed to answer, so that a fault fails the test instead of hanging it.
  static QuestionAnswer AskAndAct(QuestionWindow& window, const std::string& job,
                                  const std::function<void()>& act) {
    QTimer::singleShot(0, &window, act);
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &window, &QuestionWindow::Abort);
    guard.start(60000);
    return window.Ask(job);
  }
};

TEST_F(QuestionWindowsTest, ConfirmationAnswersAndKeepsItsBoxBetweenQuestions) {
  TFormConfirm window;
  EXPECT_EQ(window.size(), QSize(309, 219));
  EXPECT_FALSE(window.CheckBox().isChecked());

  // Yes, after ticking the box through its caption.
  bool shown = false;
  QuestionAnswer answer = AskAndAct(window, "Fotos", [&] {
    shown = window.isVisible() && window.Tag() == 0;
    EXPECT_EQ(window.MessageLabel().text(),
              QStringLiteral("Auftrag 'Fotos' hat den Synchronisationszeitpunkt erreicht."));
    QTest::mouseClick(&window.CheckBoxLabel(), Qt::LeftButton);
    QTest::mouseClick(&window.YesButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(shown);
  EXPECT_TRUE(answer.yes);
  EXPECT_TRUE(answer.box_ticked);
  EXPECT_EQ(window.Tag(), 1);
  EXPECT_FALSE(window.isVisible());

  // The next question, for another job, opens with the box still ticked; No.
  bool ticked_at_open = false;
  answer = AskAndAct(window, "Musik", [&] {
    ticked_at_open = window.CheckBox().isChecked();
    QTest::mouseClick(&window.NoButton(), Qt::LeftButton);
  });
  EXPECT_TRUE(ticked_at_open);
  EXPECT_FALSE(answer.yes);
  EXPECT_TRUE(answer.box_ticked);
  EXPECT_EQ(window.Tag(), 2);

  // Closed by other means: No; a second click on the caption clears the box again.
  answer = AskAndAct(window, "Musik", [&] {
    QTest::mouseClick(&window.CheckBoxLabel(), Qt::LeftButton);
    window.close();
  });
  EXPECT_FALSE(answer.yes);
  EXPECT_FALSE(answer.box_ticked);
  EXPECT_FALSE(window.isVisible());
}

TEST_F(QuestionWindowsTest, AStrayKeyOrAMinimiseAnswersNothingAndTheKeyboardAnswersOnceActive) {
  TFormConfirm window;
  bool still_waiting = false;
  bool nothing_focused = false;
  bool tab_order = false;
  const QuestionAnswer answer = AskAndAct(window, "Fotos", [&] {
    // Shown without the keyboard: a Space or Enter typed meanwhile answers nothing, and
    // neither does a minimise by the window manager.
    nothing_focused = window.focusWidget() == nullptr;
    QTest::keyClick(&window, Qt::Key_Space);
    QTest::keyClick(&window, Qt::Key_Return);
    window.showMinimized();
    QCoreApplication::processEvents();
    still_waiting = window.IsWaiting() && window.Tag() == 0;
    window.showNormal();
    // The user activates it: the keyboard starts at "Ja", Tab goes on to "Nein" and the
    // box; Space ticks it, Shift+Tab goes back to "Nein", whose Space answers.
    window.activateWindow();
    const bool yes_first = window.YesButton().hasFocus();
    QTest::keyClick(&window, Qt::Key_Tab);
    const bool no_second = window.NoButton().hasFocus();
    QTest::keyClick(&window, Qt::Key_Tab);
    tab_order = yes_first && no_second && window.CheckBox().hasFocus();
    QTest::keyClick(&window.CheckBox(), Qt::Key_Space);
    QTest::keyClick(&window, Qt::Key_Tab, Qt::ShiftModifier);
    QTest::keyClick(&window.NoButton(), Qt::Key_Space);
  });
  EXPECT_TRUE(nothing_focused);
  EXPECT_TRUE(still_waiting);
  EXPECT_TRUE(tab_order);
  EXPECT_FALSE(answer.yes);
  EXPECT_TRUE(answer.box_ticked);
  EXPECT_EQ(window.Tag(), 2);
}

TEST_F(QuestionWindowsTest, RecoveryLightsTheButtonUnderTheMouseAndEndsWithNoOnAbort) {
  TFormRecover window;
  EXPECT_EQ(window.size(), QSize(308, 220));
  bool yes_lit = false;
  bool no_lit = false;
  bool both_dark = false;
  const QuestionAnswer answer = AskAndAct(window, "Büro", [&] {
    EXPECT_EQ(window.MessageLabel().text(),
              QStringLiteral("Auftrag 'Büro' konnte beim letzten Synchronisationszeitpunkt "
                             "nicht durchgeführt werden."));
    EXPECT_TRUE(QTest::qWaitForWindowExposed(&window));
    QTest::mouseMove(&window.YesButton());
    yes_lit = window.YesButton().Lit() && !window.NoButton().Lit();
    QTest::mouseMove(&window.NoButton());
    no_lit = window.NoButton().Lit() && !window.YesButton().Lit();
    QTest::mouseMove(&window, QPoint(10, 120));
    both_dark = !window.NoButton().Lit() && !window.YesButton().Lit();
    window.Abort();
  });
  EXPECT_TRUE(yes_lit);
  EXPECT_TRUE(no_lit);
  EXPECT_TRUE(both_dark);
  EXPECT_FALSE(answer.yes);
  EXPECT_EQ(window.Tag(), 2);
  EXPECT_FALSE(window.isVisible());
}

}  // namespace
}  // namespace parvolind::ui
