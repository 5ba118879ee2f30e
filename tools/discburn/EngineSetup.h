#pragma once

#include "platform/PipedChild.h"
#include "tools/discburn/EngineKind.h"

#include <filesystem>
#include <string>

// Chooses the recorder engine that the child Tessaly runs, and prepares
// what it reads while starting.
//
// An image file or a volume label needs the libburn engine
// (burn_recorder.so beside discburn, or in ../lib of an installation): a
// class registry naming it and the engine's configuration file are written
// to a temporary folder and given to the child through COM_CLASS_REGISTRY
// and BURN_ENGINE_CONFIG; the image file is then the only pseudo-drive, the
// last recorder after any real drive. Without either, a class registry the
// user named keeps its say; otherwise the libburn engine is used when it is
// there, and Tessaly's own default when not.
//
// The files are read while Tessaly starts, so they are removed once it has
// started, and at the latest by the destructor.
class EngineSetup {
public:
    EngineSetup(const std::string& imagePath, const std::string& volumeLabel);
    ~EngineSetup();
    EngineSetup(const EngineSetup&) = delete;
    EngineSetup& operator=(const EngineSetup&) = delete;

    const platform::PipedChild::EnvironmentChanges& Environment() const { return environment; }
    EngineKind Kind() const { return kind; }
    bool UsesImage() const { return !imagePath.empty(); }
    void RemoveFiles();

private:
    std::string LibburnEngine() const;
    std::string TemporaryFile(const std::string& name, const std::string& text);
    static EngineKind KindNamedBy(const std::string& registry);

    std::string imagePath;
    platform::PipedChild::EnvironmentChanges environment;
    EngineKind kind = EngineKind::Unknown;
    std::filesystem::path folder;
};
