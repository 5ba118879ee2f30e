#include "engines/virtual/EngineClassFactory.h"
#include "engines/virtual/ServerLock.h"

// The exported entry points every in-process server has.

extern "C" COM_DLL_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_RecorderEngine)) {
        return CLASS_E_CLASSNOTAVAILABLE;
    }
    return EngineClassFactory::Instance().QueryInterface(riid, object);
}

extern "C" COM_DLL_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return ServerLock::InUse() ? S_FALSE : S_OK;
}
