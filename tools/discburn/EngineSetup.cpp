#include "tools/discburn/EngineSetup.h"

#include "platform/ChildProcess.h"
#include "platform/Environment.h"
#include "tools/discburn/CommandFailure.h"
#include "tools/discburn/ExitCode.h"

#include <cctype>
#include <fstream>
#include <sstream>

namespace {

constexpr const char* engineClass = "{9214649E-7E70-4CB7-9723-9D49CF30DE89}";
// ISO 9660 keeps 32 characters of a volume id.
constexpr size_t volumeLabelLimit = 32;

std::string FileText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool IsFile(const std::filesystem::path& path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

EngineSetup::EngineSetup(const std::string& image, const std::string& volumeLabel)
{
    if (volumeLabel.size() > volumeLabelLimit) {
        throw CommandFailure(exitUsage, "a volume label has at most 32 characters: " + volumeLabel);
    }
    for (const char c : volumeLabel) {
        if (static_cast<unsigned char>(c) < 0x20 || c == '#' || c == 0x7f) {
            throw CommandFailure(exitUsage, "a volume label cannot hold control characters or '#'");
        }
    }
    if (!image.empty()) {
        std::error_code error;
        const std::filesystem::path path = std::filesystem::absolute(image, error).lexically_normal();
        if (error || !path.has_filename()) {
            throw CommandFailure(exitUsage, "not a file name for the image: " + image);
        }
        if (std::filesystem::is_directory(path, error)) {
            throw CommandFailure(exitUsage, "the image must be a file, not a folder: " + image);
        }
        if (!std::filesystem::is_directory(path.parent_path(), error)) {
            throw CommandFailure(exitUsage, "the folder of the image does not exist: " + path.parent_path().string());
        }
        imagePath = path.string();
        // The engine reads its pseudo-drives from lines where '#' starts a
        // comment, or from a list separated by ':'.
        if (imagePath.find_first_of("\r\n") != std::string::npos ||
            (imagePath.find('#') != std::string::npos && imagePath.find(':') != std::string::npos)) {
            throw CommandFailure(exitUsage, "the image path cannot hold a line end, or both '#' and ':': " + image);
        }
    }

    const auto userRegistry = platform::EnvironmentVariable("COM_CLASS_REGISTRY");
    if (imagePath.empty() && volumeLabel.empty() && userRegistry && !userRegistry->empty()) {
        kind = KindNamedBy(*userRegistry);
        return;
    }
    const std::string engine = LibburnEngine();
    if (engine.empty()) {
        if (!imagePath.empty() || !volumeLabel.empty()) {
            throw CommandFailure(exitNoRecorder, std::string("--image and --label need the libburn recorder engine (") +
                                                     (*BURN_ENGINE_FILE_NAME ? BURN_ENGINE_FILE_NAME : "Linux only") +
                                                     "), which is neither beside discburn nor in ../lib");
        }
        return;
    }
    kind = EngineKind::Libburn;
    environment.emplace_back("COM_CLASS_REGISTRY",
                             TemporaryFile("com-classes", std::string(engineClass) + " " + engine + "\n"));
    if (imagePath.empty() && volumeLabel.empty()) {
        return;
    }

    std::string config;
    if (imagePath.empty()) {
        // Only the label changes: the drives stay as configured.
        const auto named = platform::EnvironmentVariable("BURN_ENGINE_CONFIG");
        const std::filesystem::path installed = platform::SiblingProgram("../etc/burn-engine.conf");
        config = named && !named->empty() ? FileText(*named) : IsFile(installed) ? FileText(installed) : "";
        if (!config.empty() && config.back() != '\n') {
            config += '\n';
        }
    } else if (imagePath.find('#') == std::string::npos) {
        config = imagePath + "\n";
        environment.emplace_back("BURN_ENGINE_DRIVES", "");
    } else {
        environment.emplace_back("BURN_ENGINE_DRIVES", imagePath);
    }
    if (!volumeLabel.empty()) {
        config += "volume-label " + volumeLabel + "\n";
    }
    environment.emplace_back("BURN_ENGINE_CONFIG", TemporaryFile("burn-engine.conf", config));
}

EngineSetup::~EngineSetup()
{
    RemoveFiles();
}

void EngineSetup::RemoveFiles()
{
    if (!folder.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        folder.clear();
    }
}

std::string EngineSetup::LibburnEngine() const
{
    const std::string name = BURN_ENGINE_FILE_NAME;
    if (name.empty()) {
        return {};
    }
    for (const std::string& candidate : {platform::SiblingProgram(name), platform::SiblingProgram("../lib/" + name)}) {
        std::error_code error;
        const auto path = std::filesystem::canonical(candidate, error);
        if (!error && IsFile(path)) {
            return path.string();
        }
    }
    return {};
}

std::string EngineSetup::TemporaryFile(const std::string& name, const std::string& text)
{
    if (folder.empty()) {
        std::error_code error;
        folder =
            std::filesystem::temp_directory_path(error) / ("discburn-" + std::to_string(platform::CurrentProcessId()));
        std::filesystem::remove_all(folder, error);
        if (!std::filesystem::create_directories(folder, error)) {
            folder.clear();
            throw CommandFailure(exitFailed, "cannot create a temporary folder for Tessaly's settings");
        }
    }
    const std::filesystem::path path = folder / name;
    std::ofstream file(path, std::ios::binary);
    file << text;
    if (!file.flush()) {
        throw CommandFailure(exitFailed, "cannot write " + path.string());
    }
    return path.string();
}

EngineKind EngineSetup::KindNamedBy(const std::string& registry)
{
    std::istringstream lines(FileText(registry));
    std::string line;
    while (std::getline(lines, line)) {
        line = line.substr(0, line.find('#'));
        std::istringstream words(line);
        std::string clsid;
        std::string library;
        words >> clsid >> library;
        bool same = clsid.size() == std::char_traits<char>::length(engineClass);
        for (size_t i = 0; same && i < clsid.size(); ++i) {
            same = std::toupper(static_cast<unsigned char>(clsid[i])) == engineClass[i];
        }
        if (!same || library.empty()) {
            continue;
        }
        const std::string file = std::filesystem::path(library).filename().string();
        if (file.find("burn_recorder") != std::string::npos) {
            return EngineKind::Libburn;
        }
        return file.find("virtual_recorder") != std::string::npos ? EngineKind::Virtual : EngineKind::Unknown;
    }
    return EngineKind::Unknown;
}
