#pragma once
// The small COM kit of the companion libraries (no framework exists for mingw): reference
// counting, the library's class factory and entry points, registration through the portable
// registration table, the IDispatch plumbing of objects without a type library, and the main
// window as the companions reach it.
//
// A library built on the kit serves one class. It defines kServedClass and CreateServedObject;
// the kit supplies DllGetClassObject, DllCanUnloadNow, DllRegisterServer and
// DllUnregisterServer, which the library's .def exports.
#include <windows.h>
#include <ole2.h>
#include <oleauto.h>

#include <string>

#include "popup_blocker/companion_contract.h"
#include "popup_blocker/companion_registration.h"

namespace com_kit {

// Interface identifiers the libraries use, spelled out so that nothing depends on which of them
// the import library carries.
inline const IID kIidObjectWithSite = {
    0xFC4801A3, 0x2BA9, 0x11CF, {0xA2, 0x29, 0x00, 0xAA, 0x00, 0x3D, 0x73, 0x52}};
inline const IID kIidObjectSafety = {
    0xCB5BDC81, 0x93C1, 0x11CF, {0x8F, 0x20, 0x00, 0x80, 0x5F, 0x2C, 0xD0, 0x64}};
inline const IID kIidConnectionPointContainer = {
    0xB196B284, 0xBAB4, 0x101A, {0xB6, 0x9C, 0x00, 0xAA, 0x00, 0x34, 0x1D, 0x07}};
inline const IID kIidServiceProvider = {
    0x6D5140C1, 0x7436, 0x11CE, {0x80, 0x34, 0x00, 0xAA, 0x00, 0x60, 0x09, 0xFA}};
inline const IID kIidOleClientSite = {
    0x00000118, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The service of a site that answers with the document hosting it (the page's IDispatch).
inline const GUID kSidContainerDispatch = {
    0xB722BE00, 0x4E68, 0x101B, {0xA2, 0xBC, 0x00, 0xAA, 0x00, 0x40, 0x47, 0x70}};
// The browser's event interface (a dispatch interface: events arrive through IDispatch::Invoke).
inline const IID kDiidWebBrowserEvents2 = {
    0x34A715A0, 0x6587, 0x11D0, {0x92, 0x4A, 0x00, 0x20, 0xAF, 0xC7, 0xAC, 0x4D}};

// ---- what each library defines

extern const orv::ComServer& kServedClass;
// A new object of the served class, asked for interface riid (aggregation is refused before).
HRESULT CreateServedObject(REFIID riid, void** out);

// ---- module

// This library's module handle and full path.
HMODULE Module();
std::string ModulePath();

// Counts the live objects of this library, for DllCanUnloadNow: every COM object derives from
// it (through RefCounted).
class ModuleObject {
 protected:
  ModuleObject();
  ~ModuleObject();
  ModuleObject(const ModuleObject&) = delete;
  ModuleObject& operator=(const ModuleObject&) = delete;
};

// One object's reference count, starting at 1 for its creator; the last Release deletes it.
// T is the class that derives from it.
template <class T>
class RefCounted : private ModuleObject {
 protected:
  ULONG AddRefImpl() { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
  ULONG ReleaseImpl() {
    const LONG left = InterlockedDecrement(&refs_);
    if (left == 0) delete static_cast<T*>(this);
    return static_cast<ULONG>(left);
  }

 private:
  LONG refs_ = 1;
};

// Hands a new object (one reference held) to a caller asking for riid: its QueryInterface
// adds the caller's reference, then the creator's goes.
template <class T>
HRESULT HandOut(T* object, REFIID riid, void** out) {
  if (object == nullptr) return E_OUTOFMEMORY;
  const HRESULT hr = object->QueryInterface(riid, out);
  object->Release();
  return hr;
}

// Whether two interface pointers belong to one object (COM compares IUnknown identities).
bool SameObject(IUnknown* a, IUnknown* b);

// "{...}" as a class identifier; false when it is none.
bool ParseClassId(const char* text, CLSID* out);

// ---- IDispatch without a type library

struct DispatchName {
  const wchar_t* name;
  DISPID id;
};

// GetIDsOfNames over a table: names[0] looked up without regard to case; named arguments are
// not supported (DISP_E_UNKNOWNNAME, their ids DISPID_UNKNOWN).
HRESULT IdsOfNames(const DispatchName* table, size_t table_size, LPOLESTR* names, UINT count,
                   DISPID* ids);

// Argument `index` in the order the caller wrote them (DISPPARAMS holds them last first), with
// a VT_BYREF | VT_VARIANT followed; nullptr when there is no such argument.
VARIANT* Argument(const DISPPARAMS* params, UINT index);

// A text argument in the ANSI code page. False when it is missing, empty, null, not
// convertible to text, or holds a character the code page cannot hold (it would become "?").
bool TextArgument(const DISPPARAMS* params, UINT index, std::string* out);

// A text property of an object reached only through IDispatch (late bound, by name), in the
// ANSI code page as TextArgument converts it; false when there is none.
bool TextProperty(IDispatch* object, const wchar_t* name, std::string* out);

// The IDispatch members that carry no type information, for an interface I derived from
// IDispatch.
template <class I>
class NoTypeInfo : public I {
 public:
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return E_NOTIMPL;
  }
};

// ---- the main window

// Found by class and caption; ready while it carries its started mark.
class MainWindowTarget : public orv::ProgramWindow {
 public:
  bool Ready() override;
  bool Post(unsigned message) override;
  // WM_COPYDATA sent with a time limit: the browser's thread must not hang on a busy program.
  bool HandOver(unsigned long tag, const std::string& bytes) override;
};

}  // namespace com_kit
