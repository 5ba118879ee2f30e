#include "com/RecorderEngineBase.h"

RecorderEngineBase::RecorderEngineBase(RecorderEventSource::AcceptedSinks accepted) : events(*this, accepted) {}

HRESULT RecorderEngineBase::QueryInterface(REFIID riid, void** object)
{
    if (object == nullptr) {
        return E_POINTER;
    }
    if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDispatch) || IsEqualIID(riid, IID_IRecorderEngine)) {
        *object = static_cast<IRecorderEngine*>(this);
    } else if (IsEqualIID(riid, IID_IConnectionPointContainer)) {
        *object = static_cast<IConnectionPointContainer*>(this);
    } else {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    AddRef();
    return S_OK;
}

ULONG RecorderEngineBase::AddRef()
{
    return ++references;
}

ULONG RecorderEngineBase::Release()
{
    const ULONG left = --references;
    if (left == 0) {
        delete this;
    }
    return left;
}

HRESULT RecorderEngineBase::GetTypeInfoCount(UINT* count)
{
    if (count == nullptr) {
        return E_POINTER;
    }
    *count = 0;
    return S_OK;
}

HRESULT RecorderEngineBase::GetTypeInfo(UINT, LCID, ITypeInfo** typeInfo)
{
    if (typeInfo != nullptr) {
        *typeInfo = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT RecorderEngineBase::EnumConnectionPoints(IEnumConnectionPoints** points)
{
    if (points != nullptr) {
        *points = nullptr;
    }
    return E_NOTIMPL;
}

HRESULT RecorderEngineBase::FindConnectionPoint(REFIID riid, IConnectionPoint** point)
{
    if (point == nullptr) {
        return E_POINTER;
    }
    if (!IsEqualIID(riid, IID_IRecorderEngineEvents)) {
        *point = nullptr;
        return CONNECT_E_NOCONNECTION;
    }
    *point = &events;
    events.AddRef();
    return S_OK;
}
