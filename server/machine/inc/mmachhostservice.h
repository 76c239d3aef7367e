// The service object that the server hands to every machine at creation; a machine only
// forwards to it (CallHostService, IsHostServiceReady). Owned by the server.
#pragma once

#include <string>

class MMachHostService {
 public:
  virtual ~MMachHostService() = default;

  // Carries out `command` with `argument` and answers the server's result code.
  virtual int Call(const std::string& command, const std::string& argument) = 0;
  // Non-zero when the service can take calls.
  virtual int IsReady() = 0;
};
