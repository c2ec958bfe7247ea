#pragma once
// The engine's one error channel: every failure is thrown as a KOR::Exception by
// value and reported once, at the top of the program, in the debug console.

#include <string>

namespace KOR {

class Exception {
public:
  Exception();
  Exception(std::string module, std::string error, std::string description);
  virtual ~Exception();

  // Writes the report into the debug console, shows it and waits for "Ok".
  void Report();

  const std::string& GetModule() const { return module; }
  const std::string& GetKind() const { return kind; }
  const std::string& GetError() const { return error; }
  const std::string& GetDescription() const { return description; }

protected:
  Exception(std::string kind, std::string module, std::string error, std::string description);

private:
  std::string module;
  std::string kind;
  std::string error;
  std::string description;
};

// For failures the program cannot survive even as far as the top-level handler:
// constructing one reports at once and ends the process with exit status 1.
class FatalError : public Exception {
public:
  [[noreturn]] FatalError(std::string module, std::string error, std::string description);
  ~FatalError() override;
};

}  // namespace KOR
