#pragma once
// Where the program finds its own files, keeps the user's data and looks for cards.
#include <filesystem>
#include <vector>

namespace drv {

class AppPaths {
public:
    virtual ~AppPaths() = default;
    // Folder of the program's resources (default_vor.bmp): beside the executable,
    // else the installed share folder.
    virtual std::filesystem::path programFolder() const = 0;
    // Writable folder for the remembered setup.dat.
    virtual std::filesystem::path userDataFolder() const = 0;
    // Root folders of mounted volumes, offered as cards in the settings window.
    virtual std::vector<std::filesystem::path> cardRoots() const = 0;
};

class QtAppPaths final : public AppPaths {
public:
    std::filesystem::path programFolder() const override;
    std::filesystem::path userDataFolder() const override;
    std::vector<std::filesystem::path> cardRoots() const override;
};

// Test paths: fixed folders a test prepares.
class FixedAppPaths final : public AppPaths {
public:
    FixedAppPaths(std::filesystem::path program, std::filesystem::path data,
                  std::vector<std::filesystem::path> cards = {})
        : program_(std::move(program)), data_(std::move(data)), cards_(std::move(cards)) {}
    std::filesystem::path programFolder() const override { return program_; }
    std::filesystem::path userDataFolder() const override { return data_; }
    std::vector<std::filesystem::path> cardRoots() const override { return cards_; }

private:
    std::filesystem::path program_, data_;
    std::vector<std::filesystem::path> cards_;
};

}  // namespace drv
