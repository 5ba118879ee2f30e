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
HRESULT CoInitialize(void* reserved);
HRESULT CoInitializeEx(void* reserved, DWORD concurrencyModel);
void CoUninitialize();
HRESULT OleInitialize(void* reserved);
void OleUninitialize();
HRESULT CoGetClassObject(REFCLSID clsid, DWORD context, void* serverInfo, REFIID riid, void** object);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID riid, void** object);
// Puts an object into its running state; an object without IRunnableObject runs already.
HRESULT OleRun(IUnknown* object);
}

constexpr DWORD COINIT_MULTITHREADED = 0x0;
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;

// The signature every in-process server exports under the name DllGetClassObject.
using DllGetClassObjectFunction = HRESULT (*)(REFCLSID clsid, REFIID riid, void** object);

// Makes the exported entry points of an in-process server visible.
#define COM_DLL_EXPORT extern "C" __attribute__((visibility("default")))
