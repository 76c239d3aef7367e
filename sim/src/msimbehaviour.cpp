#include "msimbehaviour.h"

#include <utility>

#include "msimmachine.h"

MSimCommandBehaviour& MSimCommandBehaviour::DoneAfter(uint32_t polls) {
  done_at_poll = polls;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::FailAtPoll(uint32_t poll, uint32_t code) {
  fail_at_poll = poll;
  fail_code = code;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::Refuse() {
  refuse = true;
  refuse_code = 0;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::RefuseWithError(uint32_t code) {
  refuse = true;
  refuse_code = code;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::Endless() {
  endless = true;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::AbortWithError(uint32_t code) {
  abort_code = code;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::IgnoreAbort() {
  ignore_abort = true;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::ThrowAtPoll(uint32_t poll) {
  throw_at_poll = poll;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::ThrowOnAbort() {
  throw_on_abort = true;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::ThrowOnGetData() {
  throw_on_get_data = true;
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::At(uint32_t poll, Action action) {
  actions.push_back({poll, std::move(action)});
  return *this;
}

MSimCommandBehaviour& MSimCommandBehaviour::DataAt(uint32_t poll, const std::string& text) {
  return At(poll, [text](MSimMachine&, MOutputChannel& output) { output.Data(text); });
}

MSimCommandBehaviour& MSimCommandBehaviour::DataAt(uint32_t poll,
                                                   const std::vector<double>& values) {
  return At(poll, [values](MSimMachine&, MOutputChannel& output) { output.Data(values); });
}

MSimCommandBehaviour& MSimCommandBehaviour::EventAt(uint32_t poll, int32_t code) {
  return At(poll, [code](MSimMachine&, MOutputChannel& output) { output.Event(code); });
}

MSimCommandBehaviour& MSimCommandBehaviour::ChangeAxesAt(uint32_t poll,
                                                         std::vector<MSimAxis> axes) {
  return At(poll, [axes = std::move(axes)](MSimMachine& machine, MOutputChannel& output) {
    machine.SetAxes(axes);
    output.Event(kMEventCapabilitiesChanged);
  });
}

MSimCommandBehaviour& MSimCommandBehaviour::ScanData(std::vector<std::vector<double>> vectors,
                                                     uint32_t from_poll) {
  scan_data.assign(vectors.begin(), vectors.end());
  scan_data_from_poll = from_poll;
  return *this;
}
