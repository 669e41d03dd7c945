#pragma once
// The shared registry suite (registry_conformance.cpp) runs against every Registry through one
// test bed per implementation; each test executable defines MakeRegistryTestBed for its own.
#include <memory>
#include <string>
#include <vector>

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
  // Leaves everybody only the rights to query the key's values and list its sub-keys, without
  // the rest of the read rights (some protection tools set such rights). False when it could not.
  virtual bool MakeQueryOnly(const std::string& path) = 0;
  // A path below HKEY_LOCAL_MACHINE\SOFTWARE and a name below HKEY_CLASSES_ROOT\CLSID that belong
  // to this test bed alone: missing in every view when the test starts, deleted in every view
  // when the test bed goes.
  virtual const std::string& machine_scratch() const = 0;
  virtual const std::string& class_scratch() const = 0;
};

// The machines the test beds of a test executable play (names of letters and digits): the
// advapi32 one plays the machine it runs on, the in-memory one every kind it models.
std::vector<std::string> RegistryTestMachines();
// A test bed on one of those machines ("" is the first).
std::unique_ptr<RegistryTestBed> MakeRegistryTestBed(const std::string& machine = "");

}  // namespace orv
