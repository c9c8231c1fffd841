#pragma once
// A card host for tests: records every status text, message, beep and
// progress change, and answers questions from a script.

#include <deque>
#include <map>
#include <string>
#include <vector>

#include "link/CardHost.h"

class TScriptedHost : public TCardHost {
public:
  struct TMessage {
    std::string Text;
    TMessageKind Kind;
    TMessageButtons Buttons;
  };
  struct TBar {
    int Max = 100;
    int Step = 10;
    int Position = 0;
    bool Visible = true;
    std::vector<int> Positions;  // every position the bar took
  };

  void SetStatusText(const std::string& text) override { Statuses.push_back(text); }
  void SetProgressMax(TProgressBarId bar, int max) override { Bars[bar].Max = max; }
  void SetProgressStep(TProgressBarId bar, int step) override { Bars[bar].Step = step; }
  void SetProgressPosition(TProgressBarId bar, int position) override {
    TBar& b = Bars[bar];
    b.Position = position < 0 ? 0 : (position > b.Max ? b.Max : position);
    b.Positions.push_back(b.Position);
  }
  int ProgressPosition(TProgressBarId bar) override { return Bars[bar].Position; }
  void SetProgressVisible(TProgressBarId bar, bool visible) override {
    Bars[bar].Visible = visible;
  }
  void StepProgress(TProgressBarId bar) override {
    TBar& b = Bars[bar];
    SetProgressPosition(bar, b.Position + b.Step);
    ++Steps[bar];
  }
  void SetChipIdText(const std::string& text) override { ChipId = text; }
  // The detected processor the host was told of.
  void ProcessorDetected(int row) override {
    ProcessorRow = row;
    ++ProcessorSelections;
  }
  TMessageResult ShowMessageDialog(const std::string& text, TMessageKind kind,
                                   TMessageButtons buttons) override {
    Messages.push_back({text, kind, buttons});
    if (buttons == mbOK) return mrOK;
    if (Answers.empty()) return DefaultAnswer;
    const TMessageResult r = Answers.front();
    Answers.pop_front();
    return r;
  }
  void Beep() override { ++Beeps; }
  void ProcessPendingEvents() override { ++EventRounds; }
  void PlanWork(int64_t bytes) override { Plans.push_back(bytes); }

  // The forward steps of the transfer bars (all but pbInit): the work done,
  // as the window's time left counts it.
  int64_t WorkShown() const {
    int64_t work = 0;
    for (const auto& [id, bar] : Bars) {
      if (id == pbInit) continue;
      int before = 0;
      for (int p : bar.Positions) {
        if (p > before) work += p - before;
        before = p;
      }
    }
    return work;
  }

  std::vector<std::string> MessageTexts() const {
    std::vector<std::string> texts;
    for (const auto& m : Messages) texts.push_back(m.Text);
    return texts;
  }

  int ProcessorRow = 0;
  int ProcessorSelections = 0;
  std::string ChipId;
  std::vector<std::string> Statuses;
  std::vector<TMessage> Messages;
  std::deque<TMessageResult> Answers;
  TMessageResult DefaultAnswer = mrYes;
  std::map<TProgressBarId, TBar> Bars;
  std::map<TProgressBarId, int> Steps;
  int Beeps = 0;
  int EventRounds = 0;
  std::vector<int64_t> Plans;
};
