// VantyrHost.MessageService: texts by key from the shipped message resource
// (Chinese), arguments substituted for {0}, {1}, ...; boxes through
// MessageBoxW. With VANTYR_HOST_MESSAGE_LOG set, a box is not shown but
// appended to that file (UTF-8, one line: buttons, title and prompt separated
// by tabs, CR LF written as \r\n) and answered with VANTYR_HOST_ANSWER (1 when unset).
#include <cstdio>
#include <nlohmann/json.hpp>

#include "host/dispatch_object.h"
#include "host/host_classes.h"

namespace vantyr::cli {
extern const char* const kMessageTexts;
}

namespace vantyr::host {

using platform::Error;

namespace {

std::optional<std::wstring> environment(const wchar_t* name) {
    wchar_t buffer[2048];
    DWORD n = GetEnvironmentVariableW(name, buffer, 2048);
    if (n == 0 || n >= 2048) return std::nullopt;
    return std::wstring(buffer, n);
}

std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

class MessageServiceObject : public DispatchObject {
public:
    MessageServiceObject() : DispatchObject({L"GetString", L"ShowMessage"}) {}

    Variant invoke(DISPID id, const Call& call) override {
        if (id == 1) return Variant(text(call.text(0), arguments(call)));
        return Variant(static_cast<long>(show(call.text(0), call.value(1).toInt16(), call.text(2))));
    }

private:
    static std::vector<std::string> arguments(const Call& call) {
        std::vector<std::string> args;
        int count = call.has(1) ? call.value(1).toInt16() : 0;
        if (count <= 0 || !call.has(2)) return args;
        VARIANT* array = call.slot(2);
        SAFEARRAY* sa = (V_VT(array) & VT_BYREF) ? *V_ARRAYREF(array) : V_ARRAY(array);
        if (!(V_VT(array) & VT_ARRAY) || !sa) throw Error(13, "Type mismatch: the arguments are no array");
        LONG low = 0;
        SafeArrayGetLBound(sa, 1, &low);
        for (LONG i = 0; i < count; ++i) {
            Variant element;
            LONG index = low + i;
            if (FAILED(SafeArrayGetElement(sa, &index, element.get()))) throw Error(9, "Subscript out of range");
            args.push_back(element.value().toText());
        }
        return args;
    }

    static std::string text(const std::string& key, const std::vector<std::string>& args) {
        static const nlohmann::json texts = nlohmann::json::parse(cli::kMessageTexts);
        const std::string prefix = "R4.ca.qxcaendy.endyear.";
        const auto& zh = texts.at("zh");
        if (key.rfind(prefix, 0) != 0 || !zh.contains(key.substr(prefix.size())))
            throw Error(5, "Invalid procedure call or argument: no text for the key " + key);
        std::string result = zh.at(key.substr(prefix.size())).get<std::string>();
        for (std::size_t i = 0; i < args.size(); ++i) {
            std::string marker = "{" + std::to_string(i) + "}";
            for (auto at = result.find(marker); at != std::string::npos; at = result.find(marker, at + args[i].size()))
                result.replace(at, marker.size(), args[i]);
        }
        return result;
    }

    static int show(const std::string& prompt, int buttons, const std::string& title) {
        auto log = environment(L"VANTYR_HOST_MESSAGE_LOG");
        if (!log) {
            std::wstring p = platform::com::widen(prompt), t = platform::com::widen(title);
            return MessageBoxW(GetActiveWindow(), p.c_str(), t.c_str(), static_cast<UINT>(buttons) | MB_TASKMODAL);
        }
        FILE* file = _wfopen(log->c_str(), L"ab");
        if (!file) throw Error(75, "Path/File access error: the message log");
        std::string line = std::to_string(buttons) + "\t" + escaped(title) + "\t" + escaped(prompt) + "\n";
        std::fwrite(line.data(), 1, line.size(), file);
        std::fclose(file);
        auto answer = environment(L"VANTYR_HOST_ANSWER");
        return answer ? _wtoi(answer->c_str()) : 1;
    }
};

}  // namespace

DispatchObject* createMessageService() { return new MessageServiceObject(); }

}  // namespace vantyr::host
