// The install-database and install-payroll zones.
#include "form.h"

#include "errors.h"
#include "installers.h"
#include "texts.h"

namespace qz {

namespace {

// Closes the registry key however the probe ends.
class KeyCloser {
public:
    explicit KeyCloser(Registry &registry) : registry_(registry) {}
    ~KeyCloser() { registry_.CloseKey(); }
    KeyCloser(const KeyCloser &) = delete;
    KeyCloser &operator=(const KeyCloser &) = delete;

private:
    Registry &registry_;
};

}  // namespace

std::string EngineSetupPath(Registry &registry)
{
    if (!registry.OpenKey(kEngineKey))
        return {};
    std::optional<Registry::Value> value;
    {
        KeyCloser closer(registry);
        const std::optional<std::uint32_t> size = registry.ValueSize(kEngineValue);
        if (!size || *size == 0)
            return {};
        value = registry.ReadValue(kEngineValue, *size);
    }
    const std::string name(kEngineValue);
    if (!value)
        throw Error("Failed to get data for '" + name + "'");
    if (value->type != kRegSz && value->type != kRegExpandSz)
        throw Error("Invalid data type for '" + name + "'");
    // Taken as stored (an expandable string is not expanded), up to its
    // first zero.
    return value->text.substr(0, value->text.find('\0'));
}

void TForm_qz::LabelmsdeClick(Control &)
{
    std::string engine;
    {
        const std::unique_ptr<Registry> registry = services_.OpenRegistry();
        engine = EngineSetupPath(*registry);
    }
    if (engine.empty()) {
        services_.ShellOpen(services_.ProgramFolder() + kMsdeSetup);
        if (services_.ShowMessageBox(kMsdePrompt, kNoticeTitle, kBoxSetupPrompt) != kAnswerYes)
            return;
        services_.RunHidden(kServiceStart);
    }
    ShowSettingsPanel();
}

void TForm_qz::LabelgzrjClick(Control &)
{
    services_.ShellOpen(services_.ProgramFolder() + kPayrollSetup);
}

}  // namespace qz
