#include "engines/libburn/BurnEngineFactory.h"
#include "engines/libburn/BurnRecorderEngine.h"

// The entry points of the in-process server.

extern "C" COM_DLL_EXPORT HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID riid, void** object)
{
    if (!object)
        return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_RecorderEngine))
        return CLASS_E_CLASSNOTAVAILABLE;
    return BurnEngineFactory::instance().QueryInterface(riid, object);
}

extern "C" COM_DLL_EXPORT HRESULT STDAPICALLTYPE DllCanUnloadNow()
{
    return BurnEngineFactory::instance().inUse() || BurnRecorderEngine::liveObjects() > 0 ? S_FALSE : S_OK;
}
