#pragma once

#include "com/ComBase.h"

// IUnknown and IClassFactory in their published slot order. An interface has
// no virtual destructor: objects are destroyed by their own Release.
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};
using LPUNKNOWN = IUnknown*;

struct IClassFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID riid, void** object) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) = 0;
};

// The object side of OleRun: an object that needs starting offers it.
struct IRunnableObject : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetRunningClass(CLSID* clsid) = 0;
    virtual HRESULT STDMETHODCALLTYPE Run(void* bindContext) = 0;
    virtual BOOL STDMETHODCALLTYPE IsRunning() = 0;
    virtual HRESULT STDMETHODCALLTYPE LockRunning(BOOL lock, BOOL lastUnlockCloses) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetContainedObject(BOOL contained) = 0;
};
