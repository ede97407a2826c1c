#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "schedule/tick_host.h"

namespace parvolind::testing {

/// A job list, timer and pair of question windows without widgets. Every call
/// is written to `calls` ("stop", "start", "events", "confirm:A", "recover:A",
/// "run:A", "error:<text>") so tests can check the order of what happened.
class FakeTickHost : public TickHost {
 public:
  /// What the user does in one question: the answer and, when set, the state the
  /// check box is left in before answering.
  struct Reply {
    bool yes = false;
    std::optional<bool> tick_box;
  };

  // The job list.
  void AddEntry(const std::string& name, const std::string& text) {
    entries.emplace_back(name, text);
  }
  void RemoveEntry(const std::string& name) {
    std::erase_if(entries, [&](const auto& entry) { return entry.first == name; });
  }
  /// The text of an entry; "<none>" when there is no such entry.
  std::string Text(const std::string& name) const { return ScheduleText(name).value_or("<none>"); }

  std::vector<std::string> EntryNames() const override {
    std::vector<std::string> names;
    for (const auto& entry : entries) names.push_back(entry.first);
    return names;
  }
  std::optional<std::string> ScheduleText(const std::string& job_name) const override {
    for (const auto& entry : entries) {
      if (entry.first == job_name) return entry.second;
    }
    return std::nullopt;
  }
  void SetScheduleText(const std::string& job_name, const std::string& text) override {
    for (auto& entry : entries) {
      if (entry.first == job_name) {
        entry.second = text;
        texts_set.push_back(job_name + "=" + text);
      }
    }
  }
  void ShowError(const std::string& text) override { calls.push_back("error:" + text); }

  // The timer.
  void StopTimerJobs() override {
    timer_running = false;
    calls.push_back("stop");
  }
  void StartTimerJobs() override {
    timer_running = true;
    calls.push_back("start");
  }
  void ProcessEvents() override {
    calls.push_back("events");
    if (on_events) on_events();
  }
  void WaitUntil(const std::function<bool()>& done) override {
    calls.push_back("wait");
    if (on_wait) on_wait();
    EXPECT_TRUE(done() || ending) << "the wait would never end";
  }

  // The questions.
  QuestionAnswer AskConfirmation(const std::string& job_name) override {
    calls.push_back("confirm:" + job_name);
    EXPECT_EQ(ScheduleText(job_name).value_or(""), std::string(kScheduleTextRunning));
    return Answer(confirm_replies, confirm_box, on_confirm, job_name);
  }
  QuestionAnswer AskRecovery(const std::string& job_name) override {
    calls.push_back("recover:" + job_name);
    return Answer(recover_replies, recover_box, on_recover, job_name);
  }

  // The run.
  bool RunInProgress() const override { return run_in_progress; }
  bool ProgramEnding() const override { return ending; }
  void ExecuteSynchronisation(const std::string& job_name) override {
    calls.push_back("run:" + job_name);
    EXPECT_FALSE(run_in_progress) << "a run started inside another run";
    run_in_progress = true;
    if (on_run) on_run(job_name);
    run_in_progress = false;
  }

  /// The calls that match `prefix`, in order.
  std::vector<std::string> CallsStartingWith(const std::string& prefix) const {
    std::vector<std::string> found;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(found),
                 [&](const std::string& call) { return call.rfind(prefix, 0) == 0; });
    return found;
  }
  std::vector<std::string> Runs() const { return CallsStartingWith("run:"); }
  std::vector<std::string> Errors() const { return CallsStartingWith("error:"); }
  std::vector<std::string> Questions() const {
    std::vector<std::string> found;
    for (const std::string& call : calls) {
      if (call.rfind("confirm:", 0) == 0 || call.rfind("recover:", 0) == 0) found.push_back(call);
    }
    return found;
  }

  std::vector<std::pair<std::string, std::string>> entries;
  std::vector<std::string> calls;
  std::vector<std::string> texts_set;
  bool timer_running = true;
  bool run_in_progress = false;
  bool ending = false;

  std::deque<Reply> confirm_replies;
  std::deque<Reply> recover_replies;
  bool confirm_box = false;  ///< `CheckBoxConfirm`, kept from one question to the next
  bool recover_box = false;  ///< `CheckBoxRecover`

  std::function<void()> on_events;
  std::function<void()> on_wait;  ///< what the user does while the tick waits
  std::function<void(const std::string&)> on_confirm;
  std::function<void(const std::string&)> on_recover;
  std::function<void(const std::string&)> on_run;

 private:
  QuestionAnswer Answer(std::deque<Reply>& replies, bool& box,
                        const std::function<void(const std::string&)>& while_waiting,
                        const std::string& job_name) {
    if (while_waiting) while_waiting(job_name);
    if (replies.empty()) {
      ADD_FAILURE() << "unexpected question for " << job_name;
      return QuestionAnswer{false, box};  // closed without an answer
    }
    const Reply reply = replies.front();
    replies.pop_front();
    if (reply.tick_box) box = *reply.tick_box;
    return QuestionAnswer{reply.yes, box};
  }
};

/// Answers for the scripted questions, optionally leaving the box ticked or clear.
inline FakeTickHost::Reply Yes(std::optional<bool> tick_box = std::nullopt) {
  return FakeTickHost::Reply{true, tick_box};
}
inline FakeTickHost::Reply No(std::optional<bool> tick_box = std::nullopt) {
  return FakeTickHost::Reply{false, tick_box};
}

}  // namespace parvolind::testing
