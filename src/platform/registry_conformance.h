#pragma once
// The shared registry suite (registry_conformance.cpp) runs against every Registry through one
// test bed per implementation; each test executable defines MakeRegistryTestBed for its own.
#include <memory>
#include <string>

#include "platform/registry.h"

namespace orv {

class RegistryTestBed {
 public:
  virtual ~RegistryTestBed() = default;
  virtual Registry& registry() = 0;
  // A key of HKEY_CURRENT_USER that belongs to this test bed alone: it exists and is empty when
  // the test starts and is deleted, with everything below it, when the test bed goes.
  virtual const std::string& scratch() const = 0;
  // Makes an existing key below the scratch key readable by everybody and changeable by nobody,
  // as HKEY_LOCAL_MACHINE is for a user without administrator rights. False when it could not.
  virtual bool MakeReadOnly(const std::string& path) = 0;
};

std::unique_ptr<RegistryTestBed> MakeRegistryTestBed();

}  // namespace orv
