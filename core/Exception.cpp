#include "core/Exception.h"

#include <cstdlib>

#include "core/DebugConsole.h"

namespace KOR {

Exception::Exception() : kind("EXCEPTION") {}

Exception::Exception(std::string module, std::string error, std::string description)
    : Exception("EXCEPTION", std::move(module), std::move(error), std::move(description)) {}

Exception::Exception(std::string kind, std::string module, std::string error, std::string description)
    : module(std::move(module)), kind(std::move(kind)), error(std::move(error)),
      description(std::move(description)) {}

Exception::~Exception() = default;

void Exception::Report() {
  DebugConsole& console = *debugConsole;
  console.Print("*******************************************");
  console.Print(kind);
  if (!module.empty()) console.Print("  Module:       " + module);
  if (!error.empty()) console.Print("  Error:       " + error);
  if (!description.empty()) console.Print("  description: " + description);
  console.Show();
  console.RunModal();
}

FatalError::FatalError(std::string module, std::string error, std::string description)
    : Exception("FATAL ERROR", std::move(module), std::move(error), std::move(description)) {
  Report();
  // A fatal error is a failure: the process must not report success.
  std::exit(1);
}

FatalError::~FatalError() = default;

}  // namespace KOR
