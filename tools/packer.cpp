#include "packer.h"

#include "information_block.h"
#include "pe_resources.h"
#include "signed_image.h"
#include "stub_resources.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <ostream>

#include <toml++/toml.h>

namespace payload_tool {

namespace fs = std::filesystem;

namespace {

constexpr std::uint16_t kPayloadLanguage = 0x409;  // the resource compiler's default
constexpr std::uint16_t kGuiSubsystem = 2;

std::string ReadWholeFile(const fs::path& path, const std::string& what)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw ToolError("cannot read the " + what + " " + path.string());
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw ToolError("cannot read the " + what + " " + path.string());
    return bytes;
}

// Options that name a path, as on the command line.
bool IsPathKey(const std::string& key)
{
    return key == "stub" || key == "output" || key == "payload-dir" || key == "icon" || key == "info-block" ||
           key == "manifest-text";
}

// Options that take no value on the command line.
bool IsFlagKey(const std::string& key)
{
    return key == "no-manifest" || key == "allow-unsafe-names";
}

// Options that may be given more than once; lists in the file.
bool IsListKey(const std::string& key)
{
    return key == "entry" || key == "named";
}

bool IsKnownKey(const std::string& key)
{
    return IsPathKey(key) || IsFlagKey(key) || IsListKey(key) || key == "program" || IsBuildConfigKey(key);
}

bool FlagValue(const std::string& key, const std::string& value)
{
    if (value != "true" && value != "false")
        throw UsageError(key + " must be true or false");
    return value == "true";
}

void SetValue(PackRequest& request, const std::string& key, const std::string& value, const fs::path& base)
{
    const fs::path path = IsPathKey(key) ? base / fs::path(value) : fs::path();
    if (key == "stub")
        request.stub = path;
    else if (key == "output")
        request.output = path;
    else if (key == "payload-dir")
        request.payloadDir = path;
    else if (key == "icon")
        request.icon = path;
    else if (key == "info-block")
        request.infoBlock = path;
    else if (key == "manifest-text")
        request.manifestText = path;
    else if (key == "no-manifest")
        request.noManifest = FlagValue(key, value);
    else if (key == "allow-unsafe-names")
        request.allowUnsafeNames = FlagValue(key, value);
    else if (key == "program")
        request.program = value;
    else if (key == "entry") {
        PayloadEntry entry = ParseEntry(value);
        if (entry.source && entry.source->is_relative())
            entry.source = base / *entry.source;
        request.entries.push_back(std::move(entry));
    } else if (key == "named") {
        NamedResource named = ParseNamed(value);
        if (named.source.is_relative())
            named.source = base / named.source;
        request.named.push_back(std::move(named));
    } else
        SetBuildConfigValue(request.config, key, value);
}

std::string TomlText(const toml::node& node, const std::string& key)
{
    if (const auto* text = node.as_string())
        return text->get();
    if (const auto* number = node.as_integer())
        return std::to_string(number->get());
    if (const auto* flag = node.as_boolean())
        return flag->get() ? "true" : "false";
    throw UsageError("configuration key '" + key + "' must be a string, a whole number or true or false");
}

void ReadConfigFile(PackRequest& request, const fs::path& file)
{
    toml::table table;
    try {
        table = toml::parse_file(file.string());
    } catch (const toml::parse_error& error) {
        const auto& where = error.source().begin;
        throw UsageError("configuration file " + file.string() + " line " + std::to_string(where.line) + ": " +
                         std::string(error.description()));
    }
    const fs::path base = file.parent_path();
    for (const auto& [name, node] : table) {
        const std::string key(name.str());
        if (key == "entries" || key == "named" || key == "net-levels") {
            if (const auto* array = node.as_array()) {
                std::string joined;
                for (const auto& item : *array) {
                    const std::string text = TomlText(item, key);
                    if (key == "entries")
                        SetValue(request, "entry", text, base);
                    else if (key == "named")
                        SetValue(request, key, text, base);
                    else
                        joined += (joined.empty() ? "" : " ") + text;
                }
                if (key == "net-levels")
                    SetValue(request, key, joined, base);
                continue;
            }
            if (key == "entries")
                throw UsageError("configuration key 'entries' must be a list of id|name|source|size strings");
            if (key == "named")
                throw UsageError("configuration key 'named' must be a list of name|source strings");
        }
        if (key == "entry" || !IsKnownKey(key))
            throw UsageError("unknown configuration key '" + key + "' in " + file.string());
        SetValue(request, key, TomlText(node, key), base);
    }
}

fs::path Comparable(const fs::path& path)
{
    std::error_code error;
    const fs::path canonical = fs::weakly_canonical(path, error);
    return error ? fs::absolute(path).lexically_normal() : canonical;
}

bool SameFile(const fs::path& a, const fs::path& b)
{
    std::error_code error;
    if (fs::equivalent(a, b, error))
        return true;
    return Comparable(a) == Comparable(b);
}

// The payload as manifest entries, checked the way the bootstrapper will
// read it.
PayloadLayout MakeLayout(const PackRequest& request)
{
    if (request.payloadDir.empty() == request.entries.empty())
        throw UsageError("give the payload either as --payload-dir with --program or as --entry lines");
    if (request.noManifest && request.manifestText)
        throw UsageError("--no-manifest and --manifest-text exclude each other");
    PayloadLayout layout;
    if (!request.payloadDir.empty()) {
        if (request.program.empty())
            throw UsageError("--payload-dir needs --program");
        if (!fs::is_directory(request.payloadDir))
            throw ToolError("payload folder not found: " + request.payloadDir.string());
        bool any = false;
        for (const auto& item : fs::recursive_directory_iterator(request.payloadDir))
            any = any || item.is_regular_file();
        if (!any)
            throw ToolError("the payload is empty: no file in " + request.payloadDir.string());
        layout = LayoutFromFolder(request.payloadDir, request.program);
    } else {
        layout.entries = request.entries;
    }
    layout.named = request.named;
    layout.allowUnsafeNames = request.allowUnsafeNames;
    const bool fromEntries = request.payloadDir.empty();
    if (fromEntries &&
        std::none_of(layout.entries.begin(), layout.entries.end(), [](const PayloadEntry& e) { return e.source; }))
        throw ToolError("the payload is empty: no entry names a source file");
    CheckManifestNames(layout);
    if (fromEntries && !request.program.empty() &&
        std::none_of(layout.entries.begin(), layout.entries.end(), [&](const PayloadEntry& e) {
            return e.manifestName && e.source && *e.manifestName == request.program;
        }))
        throw ToolError("the program " + request.program + " is not in the payload");
    return layout;
}

void CheckOutputIsNoInput(const PackRequest& request, const PayloadLayout& layout)
{
    std::vector<fs::path> inputs = {request.stub};
    for (const auto& optional : {request.icon, request.infoBlock, request.configFile, request.manifestText}) {
        if (optional)
            inputs.push_back(*optional);
    }
    for (const auto& entry : layout.entries) {
        if (entry.source)
            inputs.push_back(*entry.source);
    }
    for (const auto& named : layout.named)
        inputs.push_back(named.source);
    for (const auto& input : inputs) {
        if (SameFile(request.output, input))
            throw ToolError("the output " + request.output.string() + " is also an input");
    }
    if (fs::is_directory(request.output))
        throw ToolError("the output " + request.output.string() + " is a folder");
}

}  // namespace

PackRequest ParsePackArguments(const std::vector<std::string>& arguments)
{
    PackRequest request;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--config") {
            if (i + 1 >= arguments.size())
                throw UsageError("missing value after --config");
            if (request.configFile)
                throw UsageError("--config given twice");
            request.configFile = arguments[i + 1];
        }
    }
    if (request.configFile)
        ReadConfigFile(request, *request.configFile);
    // Lists of the command line replace those of the file, as every other
    // option does.
    bool entriesGiven = false;
    bool namedGiven = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& option = arguments[i];
        if (option.rfind("--", 0) != 0)
            throw UsageError("unexpected argument '" + option + "'");
        const std::string key = option.substr(2);
        if (IsFlagKey(key)) {
            SetValue(request, key, "true", fs::path());
            continue;
        }
        if (i + 1 >= arguments.size())
            throw UsageError("missing value after " + option);
        const std::string& value = arguments[++i];
        if (key == "config")
            continue;
        if (key == "entry" && !entriesGiven) {
            request.entries.clear();
            entriesGiven = true;
        }
        if (key == "named" && !namedGiven) {
            request.named.clear();
            namedGiven = true;
        }
        if (!IsKnownKey(key))
            throw UsageError("unknown option " + option);
        SetValue(request, key, value, fs::path());
    }
    if (request.output.empty())
        throw UsageError("--output is required");
    if (request.stub.empty())
        throw UsageError("--stub is required");
    return request;
}

std::uint32_t PackTimestamp(const char* sourceDateEpoch)
{
    if (!sourceDateEpoch)
        return 0;
    const std::string text = sourceDateEpoch;
    if (text.empty() || text.size() > 10 || !std::all_of(text.begin(), text.end(), ::isdigit) ||
        std::stoull(text) > 0xFFFFFFFFu)
        throw UsageError("SOURCE_DATE_EPOCH must be a whole number of seconds up to 4294967295, not '" + text + "'");
    return static_cast<std::uint32_t>(std::stoull(text));
}

std::string PackBootstrapper(const PackRequest& request, std::uint32_t timestamp)
{
    const PayloadLayout layout = MakeLayout(request);
    CheckOutputIsNoInput(request, layout);
    std::optional<std::string> manifest;
    if (request.manifestText)
        manifest = ReadWholeFile(*request.manifestText, "manifest text");
    else if (!request.noManifest)
        manifest = BuildManifest(layout);

    const std::string stub = ReadWholeFile(request.stub, "stub");
    const PeFacts facts = ReadPeFacts(stub);
    if (facts.hasCertificateTable)
        throw ToolError("the stub is signed: give the unsigned stub, and sign the packed bootstrapper");
    if (facts.subsystem != kGuiSubsystem)
        throw ToolError("not a Vellox stub: not a Windows GUI program");
    ResourceTree tree = ReadResources(stub);
    CheckStubResources(tree);

    ResourceNames& payload = tree[ResourceKey::Name(kPayloadType)];
    if (manifest)
        payload[ResourceKey::Id(kManifestId)][kPayloadLanguage] = ResourceData{*manifest, 0};
    for (const auto& entry : layout.entries) {
        if (!entry.source)
            continue;
        if (entry.id == kManifestId)
            throw ToolError("resource id 101 is the manifest's");
        ResourceLanguages& languages = payload[ResourceKey::Id(static_cast<std::uint16_t>(entry.id))];
        if (!languages.empty())
            throw ToolError("two resources with id " + std::to_string(entry.id));
        languages[kPayloadLanguage] = ResourceData{ReadWholeFile(*entry.source, "payload file"), 0};
    }
    for (const auto& named : layout.named) {
        ResourceLanguages& languages = payload[ResourceKey::Name(Utf16FromUtf8(named.name, "a resource name"))];
        if (!languages.empty())
            throw ToolError("two resources named " + named.name);
        languages[kPayloadLanguage] = ResourceData{ReadWholeFile(named.source, "payload file"), 0};
    }
    SetStrings(tree, BuildConfigStrings(request.config));
    if (request.icon)
        ReplaceIcon(tree, ReadWholeFile(*request.icon, "icon"));

    std::string image = ReplaceResources(stub, tree, timestamp);
    if (request.infoBlock)
        image = WithImageChecksum(AddInformationBlock(std::move(image),
                                                      BuildInformationBlock(ReadWholeFile(*request.infoBlock, "information block"))));
    return image;
}

void WriteBeside(const fs::path& path, const std::string& bytes)
{
    const fs::path temporary = path.string() + ".pack-tmp";
    try {
        {
            std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
            out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
            if (!out.flush())
                throw ToolError("cannot write " + temporary.string());
        }
        fs::rename(temporary, path);
    } catch (...) {
        std::error_code ignored;
        fs::remove(temporary, ignored);
        throw;
    }
}

int RunPack(const std::vector<std::string>& arguments, const char* sourceDateEpoch, std::ostream& error)
{
    try {
        const PackRequest request = ParsePackArguments(arguments);
        const std::uint32_t timestamp = PackTimestamp(sourceDateEpoch);
        WriteBeside(request.output, PackBootstrapper(request, timestamp));
        return 0;
    } catch (const UsageError& failure) {
        error << "vellox-pack: " << failure.what() << "\n";
        return 2;
    } catch (const std::exception& failure) {
        error << "vellox-pack: " << failure.what() << "\n";
        return 1;
    }
}

}  // namespace payload_tool
