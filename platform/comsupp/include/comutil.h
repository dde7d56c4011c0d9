// Stand-in for <comutil.h>: _variant_t, a VARIANT with value semantics.
#pragma once
#pragma GCC system_header

#include "oleauto.h"

struct IErrorInfo;

// Raises _com_error carrying the HRESULT; the COM support classes report failures through it.
[[noreturn]] void WINAPI _com_issue_error(HRESULT result);

class _variant_t : public VARIANT {
public:
    _variant_t() noexcept { VariantInit(this); }
    _variant_t(const VARIANT& source) { CopyFrom(&source); }
    _variant_t(const VARIANT* source) { CopyFrom(source); }
    _variant_t(const _variant_t& source) { CopyFrom(&source); }
    // Takes the value over without copying when copy is false; the source is then left VT_EMPTY.
    _variant_t(VARIANT& source, bool copy) {
        if (copy) {
            CopyFrom(&source);
        } else {
            *static_cast<VARIANT*>(this) = source;
            source.vt = VT_EMPTY;
        }
    }
    _variant_t(short value, VARTYPE type = VT_I2) {
        if (type != VT_I2 && type != VT_BOOL)
            _com_issue_error(E_INVALIDARG);
        VariantInit(this);
        vt = type;
        if (type == VT_BOOL)
            boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        else
            iVal = value;
    }
    _variant_t(long value, VARTYPE type = VT_I4) {
        if (type != VT_I4 && type != VT_ERROR && type != VT_BOOL)
            _com_issue_error(E_INVALIDARG);
        VariantInit(this);
        vt = type;
        if (type == VT_BOOL)
            boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
        else
            lVal = static_cast<LONG>(value);
    }
    _variant_t(float value) noexcept { Set(VT_R4).fltVal = value; }
    _variant_t(double value, VARTYPE type = VT_R8) {
        if (type != VT_R8 && type != VT_DATE)
            _com_issue_error(E_INVALIDARG);
        VariantInit(this);
        vt = type;
        dblVal = value;
    }
    _variant_t(bool value) noexcept { Set(VT_BOOL).boolVal = value ? VARIANT_TRUE : VARIANT_FALSE; }
    _variant_t(BYTE value) noexcept { Set(VT_UI1).bVal = value; }
    _variant_t(char value) noexcept { Set(VT_I1).cVal = value; }
    _variant_t(unsigned short value) noexcept { Set(VT_UI2).uiVal = value; }
    _variant_t(int value, VARTYPE type = VT_INT) noexcept { Set(type == VT_I4 ? VT_I4 : VT_INT).intVal = value; }
    _variant_t(unsigned int value, VARTYPE type = VT_UINT) noexcept {
        Set(type == VT_UI4 ? VT_UI4 : VT_UINT).uintVal = value;
    }
    _variant_t(long long value) noexcept { Set(VT_I8).llVal = value; }
    _variant_t(unsigned long long value) noexcept { Set(VT_UI8).ullVal = value; }
    _variant_t(const OLECHAR* text) {
        VariantInit(this);
        BSTR copy = SysAllocString(text);
        if (copy == nullptr && text != nullptr)
            _com_issue_error(E_OUTOFMEMORY);
        vt = VT_BSTR;
        bstrVal = copy;
    }
    _variant_t(IDispatch* object, bool addReference = true) noexcept {
        Set(VT_DISPATCH).pdispVal = object;
        if (object != nullptr && addReference)
            reinterpret_cast<IUnknown*>(object)->AddRef();
    }
    _variant_t(IUnknown* object, bool addReference = true) noexcept {
        Set(VT_UNKNOWN).punkVal = object;
        if (object != nullptr && addReference)
            object->AddRef();
    }

    ~_variant_t() noexcept { VariantClear(this); }

    _variant_t& operator=(const _variant_t& source) {
        if (this != &source)
            Check(VariantCopy(this, &source));
        return *this;
    }
    _variant_t& operator=(const VARIANT& source) {
        if (static_cast<const VARIANT*>(this) != &source)
            Check(VariantCopy(this, &source));
        return *this;
    }

    void Clear() { Check(VariantClear(this)); }
    void Attach(VARIANT& source) {
        Clear();
        *static_cast<VARIANT*>(this) = source;
        source.vt = VT_EMPTY;
    }
    VARIANT Detach() noexcept {
        VARIANT result = *this;
        vt = VT_EMPTY;
        return result;
    }
    VARIANT& GetVARIANT() noexcept { return *this; }
    VARIANT* GetAddress() {
        Clear();
        return this;
    }
    void ChangeType(VARTYPE type, const _variant_t* source = nullptr) {
        Check(VariantChangeType(this, source != nullptr ? source : this, 0, type));
    }

    operator VARIANT() const noexcept { return *static_cast<const VARIANT*>(this); }

private:
    VARIANT& Set(VARTYPE type) noexcept {
        VariantInit(this);
        vt = type;
        return *this;
    }
    void CopyFrom(const VARIANT* source) {
        VariantInit(this);
        Check(VariantCopy(this, source));
    }
    static void Check(HRESULT result) {
        if (FAILED(result))
            _com_issue_error(result);
    }
};
