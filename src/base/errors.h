#pragma once
// Errors raised by the logic. An error ends the event handler that raised it and is shown once,
// at the event boundary, by ShowApplicationError (shell/error_display.h).
#include <stdexcept>
#include <string>

namespace orv {

// Every error the user may see; what() is the text shown.
class OrvError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Registry storage rules broken: "Failed to get data for '%s'", "Invalid data type for '%s'",
// "Failed to set data for '%s'".
class RegistryError : public OrvError {
 public:
  using OrvError::OrvError;
  static RegistryError GetFailed(const std::string& name) {
    return RegistryError("Failed to get data for '" + name + "'");
  }
  static RegistryError InvalidType(const std::string& name) {
    return RegistryError("Invalid data type for '" + name + "'");
  }
  static RegistryError SetFailed(const std::string& name) {
    return RegistryError("Failed to set data for '" + name + "'");
  }
};

// File errors: "<path> didn't exists.", "Cannot create file %s", "Unable to write to %s".
class FileError : public OrvError {
 public:
  using OrvError::OrvError;
  static FileError Missing(const std::string& path) { return FileError(path + " didn't exists."); }
  static FileError CannotCreate(const std::string& path) {
    return FileError("Cannot create file " + path);
  }
  static FileError CannotWrite(const std::string& path) {
    return FileError("Unable to write to " + path);
  }
};

// A failed browser automation call; the text is the system's message for the failure code.
class AutomationError : public OrvError {
 public:
  using OrvError::OrvError;
};

}  // namespace orv
