// MHostTimedCommand<C>: a machine command of class C that stands in for the submachine's real
// command of that class and records its life on a timeline track: a span from creation to its
// end (done; "error" when its channel holds an error; "abort" when it was aborted; "deleted"
// when it was deleted before it ended) with its poll count, and a counter sample for every
// scan-data delivery. It owns the real command and forwards IsDone, Abort, GetName and GetData;
// the public fields are kept equal to the real command's around every forwarded call.
#pragma once

#include <concepts>
#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

#include "mhostcommandfields.h"
#include "mhosttimeline.h"

// The scan command classes: they hand out scan values with GetData.
template <class C>
concept MHostScanCommandClass = requires(C& command, std::vector<double>& values) {
  { command.GetData(values) } -> std::same_as<bool>;
};

// What every timed command does; MHostTimedCommand adds GetData for the scan classes.
template <class C>
class MHostTimedCommandCore : public C {
 public:
  // `args` are the parameters of C's constructor, as the factory received them.
  template <class... Args>
  MHostTimedCommandCore(std::unique_ptr<C> real, MHostTimeline& timeline, int track, Args&&... args)
      : C(std::forward<Args>(args)...),
        real_(std::move(real)),
        timeline_(timeline),
        track_(track),
        start_(timeline.Now()) {
    MHostCommandFields_Copy(static_cast<C&>(*this), *real_);
  }
  ~MHostTimedCommandCore() override {
    if (!ended_) end(aborted_ ? "abort" : "deleted");
  }

  bool IsDone() override {
    ++polls_;
    const bool done = forward([this] { return real_->IsDone(); });
    if (done && !ended_) end(aborted_ ? "abort" : real_->output->HasError() ? "error" : "done");
    return done;
  }
  void Abort() override {
    aborted_ = true;
    forward([this] {
      real_->Abort();
      return true;
    });
  }
  const char* GetName() const override { return real_->GetName(); }

 protected:
  // Calls `call` on the real command with this command's fields, then takes the real one's.
  template <class Call>
  auto forward(Call call) {
    MHostCommandFields_Copy(*real_, static_cast<const C&>(*this));
    const auto result = call();
    MHostCommandFields_Copy(static_cast<C&>(*this), *real_);
    return result;
  }
  C& real() { return *real_; }
  void record_delivery(size_t values) {
    ++deliveries_;
    timeline_.Counter(track_, "values", static_cast<int64_t>(values));
  }

 private:
  void end(const char* outcome) {
    ended_ = true;
    MHostTimeline::Args args = {MHostTimelineArg::Text("outcome", outcome), MHostTimelineArg::Number("polls", polls_)};
    if constexpr (MHostScanCommandClass<C>) args.push_back(MHostTimelineArg::Number("deliveries", deliveries_));
    timeline_.Span(track_, real_->GetName(), start_, timeline_.Now(), std::move(args));
  }

  std::unique_ptr<C> real_;
  MHostTimeline& timeline_;
  int track_;
  int64_t start_;
  int64_t polls_ = 0;
  int64_t deliveries_ = 0;
  bool aborted_ = false;
  bool ended_ = false;
};

template <class C>
class MHostTimedCommand final : public MHostTimedCommandCore<C> {
 public:
  using MHostTimedCommandCore<C>::MHostTimedCommandCore;
};

template <MHostScanCommandClass C>
class MHostTimedCommand<C> final : public MHostTimedCommandCore<C> {
 public:
  using MHostTimedCommandCore<C>::MHostTimedCommandCore;

  bool GetData(std::vector<double>& values) override {
    const size_t before = values.size();
    const bool delivered = this->forward([&] { return this->real().GetData(values); });
    if (delivered) this->record_delivery(values.size() - before);
    return delivered;
  }
};
