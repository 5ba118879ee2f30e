#pragma once

#include "com/Unknown.h"

// Object creation and apartment set-up of the COM subset.
//
// CoCreateInstance finds a class in the class registry: the text file named
// by the environment variable COM_CLASS_REGISTRY, then the installation's
// registry file (<prefix>/etc/com-classes beside the program's bin folder, or
// the build tree's own copy for a program run from the build tree). Each line
// reads "{CLSID} /absolute/path/library.so"; '#' starts a comment; the first
// line naming the class wins. The library is loaded once and kept loaded; its
// exported DllGetClassObject gives the class factory. Every in-process object
// is free-threaded here, so the apartment calls only keep their contracts.

extern "C" {
COM_API HRESULT CoInitialize(void* reserved);
COM_API HRESULT CoInitializeEx(void* reserved, DWORD concurrencyModel);
COM_API void CoUninitialize();
COM_API HRESULT OleInitialize(void* reserved);
COM_API void OleUninitialize();
COM_API HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);
COM_API HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);
// Puts an object into its running state; an object without IRunnableObject runs already.
COM_API HRESULT OleRun(IUnknown* object);
}

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// The signature every in-process server exports under the name DllGetClassObject.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);

// Marks the entry points an in-process server exports (DllGetClassObject,
// DllCanUnloadNow): extern "C" COM_DLL_EXPORT HRESULT STDAPICALLTYPE ...
#define COM_DLL_EXPORT __attribute__((visibility("default")))
