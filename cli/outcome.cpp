#include "cli/outcome.h"

#include "cli/output.h"

Outcome outcome;

namespace {

std::string Optional(const std::string &text)
{
    return text.empty() ? "null" : JsonString(text);
}

std::string RemarksJson(const std::vector<Remark> &remarks)
{
    std::string text = "[";
    for (std::size_t n = 0; n < remarks.size(); ++n) {
        const Remark &r = remarks[n];
        text += n ? ",\n    " : "\n    ";
        text += "{\"port\": " + (r.port < 0 ? std::string("null") : std::to_string(r.port)) +
                ", \"field\": " + Optional(r.field) +
                ", \"line\": " + (r.line > 0 ? std::to_string(r.line) : std::string("null")) +
                ", \"value\": " + Optional(r.value) + ", \"message\": " + JsonString(r.message) + "}";
    }
    return text + (remarks.empty() ? "]" : "\n  ]");
}

}  // namespace

void AddKey(const char *name, const std::string &value)
{
    outcome.keys.push_back(JsonString(name) + ": " + value);
}

std::string PortsJson(const std::vector<int> &ports)
{
    std::string text = "[";
    for (std::size_t n = 0; n < ports.size(); ++n)
        text += (n ? ", " : "") + std::to_string(ports[n]);
    return text + "]";
}

std::string ChangesJson(const std::vector<SettingChange> &changes)
{
    std::string text = "[";
    for (std::size_t n = 0; n < changes.size(); ++n) {
        const SettingChange &c = changes[n];
        text += n ? ",\n    " : "\n    ";
        text += "{\"port\": " + std::to_string(c.port) + ", \"field\": " + JsonString(c.field) +
                ", \"old\": " + Optional(c.before) + ", \"new\": " + JsonString(c.after) + "}";
    }
    return text + (changes.empty() ? "]" : "\n  ]");
}

std::string OutcomeJson(const char *command, int exitCode)
{
    std::string text = "{\n  \"command\": " + JsonString(command) + ",\n  \"exitCode\": " + std::to_string(exitCode) +
                       ",\n  \"problems\": " + RemarksJson(outcome.problems) +
                       ",\n  \"warnings\": " + RemarksJson(outcome.warnings);
    for (const std::string &key : outcome.keys)
        text += ",\n  " + key;
    return text + "\n}\n";
}
