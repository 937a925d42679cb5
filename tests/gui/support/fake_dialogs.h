#pragma once
// Records what the windows ask and answers from a script.
#include <deque>
#include <vector>

#include "gui/common/dialogs.h"

namespace drv::test {

class FakeDialogs final : public Dialogs {
public:
    struct Shown {
        QString text, title;
        Buttons buttons;
        Icon icon;
    };
    struct Browsed {
        QString title;
        std::filesystem::path startFolder;
    };
    struct Saved {
        QString title;
        std::filesystem::path suggested;
        QStringList filters;
    };

    std::deque<Button> answers;                 // for the next boxes; Ok (or Yes) when none is queued
    std::deque<std::filesystem::path> folders;  // the picker's answers; none queued acts as cancelled
    std::deque<SavePick> saves;                 // the save picker's answers; none queued acts as cancelled
    std::vector<Shown> shown;
    std::vector<Browsed> browsed;
    std::vector<Saved> saved;

    Button message(QWidget*, const QString& text, const QString& title, Buttons buttons, Icon icon) override {
        shown.push_back({text, title, buttons, icon});
        return next(answers, buttons == Buttons::YesNo ? Button::Yes : Button::Ok);
    }
    std::filesystem::path browseForFolder(QWidget*, const QString& title,
                                          const std::filesystem::path& startFolder) override {
        browsed.push_back({title, startFolder});
        return next(folders, startFolder);
    }
    std::optional<std::filesystem::path> chooseFolder(QWidget*, const QString& title,
                                                      const std::filesystem::path& startFolder) override {
        browsed.push_back({title, startFolder});
        if (folders.empty()) return std::nullopt;
        return next(folders, startFolder);
    }
    SavePick saveFile(QWidget*, const QString& title, const std::filesystem::path& suggested,
                      const QStringList& filters) override {
        saved.push_back({title, suggested, filters});
        return next(saves, SavePick{});
    }

private:
    template <typename T>
    static T next(std::deque<T>& queue, T none) {
        if (queue.empty()) return none;
        T front = queue.front();
        queue.pop_front();
        return front;
    }
};

}  // namespace drv::test
