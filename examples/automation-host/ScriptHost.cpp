#include "ScriptHost.h"

#include "ComObject.h"
#include "ComSupport.h"
#include "DispatchObject.h"

#include <activscp.h>

#include <cstdio>
#include <cstring>
#include <vector>

namespace {

std::string Utf8(const std::wstring& text) {
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr,
                        nullptr);
    return bytes;
}

void Print(std::FILE* stream, const std::wstring& line) {
    const std::string bytes = Utf8(line + L"\n");
    std::fwrite(bytes.data(), 1, bytes.size(), stream);
    std::fflush(stream);
}

// WScript.Echo a, b, ...: the arguments' texts, separated by spaces, on one line.
class ConsoleObject final : public DispatchObject<ConsoleObject> {
public:
    ConsoleObject() : DispatchObject(L"WScript", members) {}

private:
    static _variant_t Echo(ConsoleObject&, MethodArguments arguments) {
        std::wstring line;
        for (std::size_t index = 0; index < arguments.Count(); ++index) {
            _variant_t text;
            ComSupport::ThrowIfFailed(
                VariantChangeType(&text, &arguments[index], VARIANT_ALPHABOOL, VT_BSTR));
            if (index > 0)
                line += L' ';
            line.append(text.bstrVal, SysStringLen(text.bstrVal));
        }
        Print(stdout, line);
        return {};
    }

    static constexpr Member members[] = {{L"Echo", 1, MemberKind::method, 0, 0x7FFFFFFF, Echo}};
};

// The site the engine calls back: it hands out the named items and prints the script's error.
class ScriptSite final : public ComObject<IActiveScriptSite> {
public:
    ScriptSite(const std::wstring& language, const std::vector<ScriptFile>& files, IDispatch& host,
               IDispatch& console)
        : language(language), files(files), host(&host), console(&console) {}

    bool Failed() const { return failed; }

    HRESULT STDMETHODCALLTYPE GetLCID(LCID* locale) override {
        if (locale == nullptr)
            return E_POINTER;
        *locale = LOCALE_USER_DEFAULT;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetItemInfo(LPCOLESTR item, DWORD mask, IUnknown** object,
                                          ITypeInfo** info) override {
        if (info != nullptr)
            *info = nullptr;
        if ((mask & SCRIPTINFO_ITYPEINFO) != 0 && info == nullptr)
            return E_POINTER;
        if ((mask & SCRIPTINFO_IUNKNOWN) == 0)
            return (mask & SCRIPTINFO_ITYPEINFO) != 0 ? TYPE_E_ELEMENTNOTFOUND : S_OK;
        if (object == nullptr)
            return E_POINTER;
        *object = nullptr;
        IDispatch* found =
            CompareStringOrdinal(item, -1, L"Host", -1, TRUE) == CSTR_EQUAL      ? host.GetInterfacePtr()
            : CompareStringOrdinal(item, -1, L"WScript", -1, TRUE) == CSTR_EQUAL ? console.GetInterfacePtr()
                                                                                 : nullptr;
        if (found == nullptr)
            return TYPE_E_ELEMENTNOTFOUND;
        found->AddRef();
        *object = found;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE GetDocVersionString(BSTR* version) override {
        if (version != nullptr)
            *version = nullptr;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE OnScriptTerminate(const VARIANT*, const EXCEPINFO*) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE OnStateChange(SCRIPTSTATE) override { return S_OK; }

    // A call from the host into the script (a script object's property the host reads) runs nested in
    // the script's own run. The engine reports an error there to the site and gives the host only
    // scriptErrorReported: the error is left for the host, which passes it on to the script as the call's
    // error, and the script may handle it. Only an error of the run itself fails the run.
    HRESULT STDMETHODCALLTYPE OnEnterScript() override {
        ++depth;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE OnLeaveScript() override {
        --depth;
        return S_OK;
    }

    HRESULT STDMETHODCALLTYPE OnScriptError(IActiveScriptError* error) override {
        if (error == nullptr) {
            failed = depth <= 1;
            return S_OK;
        }
        ComSupport::ExceptionInfo exception;
        error->GetExceptionInfo(exception.Receive());
        exception.Complete();
        // Wine's JScript leaves the source of its own errors empty, where VBScript names itself.
        const std::wstring source = exception.Source().empty() ? language + L" error" : exception.Source();
        if (depth > 1) {
            ComSupport::ReportedScriptError() = {exception.Code(), source, exception.Description()};
            return S_OK;
        }
        failed = true;
        DWORD context = 0;
        ULONG line = 0;
        LONG column = 0;
        error->GetSourcePosition(&context, &line, &column);
        // Each file was parsed with its index as the source context.
        const std::wstring name = context < files.size() ? files[context].name : std::wstring(L"script");
        // The host's descriptions end in the code already.
        const std::wstring code = ComSupport::HresultText(exception.Code());
        const std::wstring description = exception.Description();
        Print(stderr, name + L"(" + std::to_wstring(line + 1) + L", " + std::to_wstring(column + 1) + L"): " +
                          source + L": " + description +
                          (description.find(code) == std::wstring::npos ? L" (" + code + L")" : L""));
        return S_OK;
    }

private:
    std::wstring language;
    const std::vector<ScriptFile>& files;
    IDispatchPtr host;
    IDispatchPtr console;
    bool failed = false;
    int depth = 0;
};

_COM_SMARTPTR_TYPEDEF(IActiveScript, __uuidof(IActiveScript));
_COM_SMARTPTR_TYPEDEF(IActiveScriptParse, __uuidof(IActiveScriptParse));
_COM_SMARTPTR_TYPEDEF(IActiveScriptSite, __uuidof(IActiveScriptSite));

void PrintFailure(const std::wstring& what, HRESULT code) {
    Print(stderr, what + L" (" + ComSupport::HresultText(code) + L")");
}

} // namespace

std::wstring ScriptLanguage(const std::wstring& path) {
    const std::size_t dot = path.find_last_of(L'.');
    const std::wstring extension = dot == std::wstring::npos ? std::wstring() : path.substr(dot);
    if (CompareStringOrdinal(extension.c_str(), -1, L".vbs", -1, TRUE) == CSTR_EQUAL)
        return L"VBScript";
    if (CompareStringOrdinal(extension.c_str(), -1, L".js", -1, TRUE) == CSTR_EQUAL)
        return L"JScript";
    return {};
}

std::optional<std::wstring> ReadScriptFile(const std::wstring& path) {
    std::FILE* file = _wfopen(path.c_str(), L"rb");
    if (file == nullptr)
        return std::nullopt;
    std::vector<char> bytes;
    char block[65536];
    for (std::size_t read; (read = std::fread(block, 1, sizeof block, file)) > 0;)
        bytes.insert(bytes.end(), block, block + read);
    std::fclose(file);

    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        std::wstring text((bytes.size() - 2) / 2, L'\0');
        std::memcpy(text.data(), bytes.data() + 2, text.size() * sizeof(wchar_t));
        return text;
    }
    std::size_t start = 0;
    if (bytes.size() >= 3 && bytes[0] == '\xEF' && bytes[1] == '\xBB' && bytes[2] == '\xBF')
        start = 3;
    const int length = static_cast<int>(bytes.size() - start);
    if (length == 0)
        return std::wstring();
    const int size =
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start, length, nullptr, 0);
    if (size == 0)
        return std::nullopt;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data() + start, length, text.data(), size);
    return text;
}

bool RunScript(const std::wstring& language, const std::vector<ScriptFile>& files, IDispatch& host) {
    CLSID engineClass;
    HRESULT result = CLSIDFromProgID(language.c_str(), &engineClass);
    IActiveScriptPtr engine;
    if (SUCCEEDED(result))
        result = engine.CreateInstance(engineClass, nullptr, CLSCTX_INPROC_SERVER);
    if (FAILED(result)) {
        PrintFailure(L"the " + language + L" engine is not available", result);
        return false;
    }
    IActiveScriptParsePtr parser = engine;
    IDispatchPtr console(new ConsoleObject(), false);
    ScriptSite* site = new ScriptSite(language, files, host, *console);
    IActiveScriptSitePtr siteReference(site, false);

    result = parser ? engine->SetScriptSite(site) : E_NOINTERFACE;
    if (SUCCEEDED(result))
        result = parser->InitNew();
    for (const wchar_t* item : {L"Host", L"WScript"})
        if (SUCCEEDED(result))
            result = engine->AddNamedItem(item, SCRIPTITEM_ISVISIBLE);
    if (FAILED(result)) {
        PrintFailure(L"the " + language + L" engine could not be set up", result);
        engine->Close();
        return false;
    }
    // Parsed while the engine is not started yet, the files run in order once it is.
    for (std::size_t index = 0; index < files.size() && SUCCEEDED(result) && !site->Failed(); ++index) {
        ComSupport::ExceptionInfo exception; // the site has printed the error already
        result = parser->ParseScriptText(files[index].code.c_str(), nullptr, nullptr, nullptr, index, 0, 0,
                                         nullptr, exception.Receive());
    }
    if (SUCCEEDED(result) && !site->Failed())
        result = engine->SetScriptState(SCRIPTSTATE_CONNECTED);
    engine->Close();
    if (FAILED(result) && !site->Failed())
        PrintFailure(L"the script did not run", result);
    return SUCCEEDED(result) && !site->Failed();
}
