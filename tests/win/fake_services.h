#pragma once
// Test fakes of every Services seam: each records its calls; the message boxes answer from a script.

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "update/fetchwell.h"
#include "common/services.h"

struct ShownMessage {
    std::string text;
    std::string title;
    unsigned style = 0;
};

class FakeMessageBoxes : public MessageBoxes {
  public:
    int Show(WindowRef, const std::string& text, const std::string& title, unsigned style) override {
        shown.push_back({text, title, style});
        if (whileShown) whileShown();
        if (answers.empty()) return kIdOk;
        int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<ShownMessage> shown;
    std::deque<int> answers;
    std::function<void()> whileShown;  // what happens while a box is open (the user waits, files change)
};

class FakeFileDialogs : public FileDialogs {
  public:
    std::optional<std::string> OpenFile(WindowRef, const std::string& title, const std::string& filter) override {
        titles.push_back(title);
        filters.push_back(filter);
        return answer;
    }
    std::vector<std::string> titles;
    std::vector<std::string> filters;
    std::optional<std::string> answer;
};

class FakeClock : public Clock {
  public:
    LocalTime Now() override { return now; }
    void Sleep(int milliseconds) override { sleeps.push_back(milliseconds); }
    LocalTime now{2026, 12, 7, 9, 7, 3};
    std::vector<int> sleeps;
};

class FakeProcesses : public Processes {
  public:
    bool Start(const std::string& application, const std::string& commandLine) override {
        applications.push_back(application);
        started.push_back(commandLine);
        return startSucceeds;
    }
    std::vector<std::string> applications;
    std::vector<std::string> started;  // the command lines
    bool startSucceeds = true;
};

class FakeUrlOpener : public UrlOpener {
  public:
    void Open(WindowRef, const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

class FakeRunValueStore : public RunValueStore {
  public:
    std::optional<std::string> Read(const std::string& name) override {
        auto found = values.find(name);
        if (found == values.end()) return std::nullopt;
        return found->second;
    }
    bool Write(const std::string& name, const std::string& data) override {
        ++writes;
        if (!allowChanges) return false;
        values[name] = data;
        return true;
    }
    bool Delete(const std::string& name) override {
        ++deletes;
        if (!allowChanges) return false;
        return values.erase(name) > 0;
    }
    std::map<std::string, std::string> values;
    bool allowChanges = true;  // false: like a user without administrator rights
    int writes = 0;
    int deletes = 0;
};

// A download control that records what it was told; the test raises its events by hand.
class FakeFetchwell : public Fetchwell {
  public:
    void SetEvents(FetchwellEvents* e) override { events = e; }
    void SetDownloadUrl(const std::string& url) override { this->url = url; }
    void SetSaveFolder(const std::string& folder) override { this->folder = folder; }
    void SetFileName(const std::string& name) override { fileName = name; }
    void StartDownload() override {
        ++starts;
        started.push_back(url);
    }
    void StopDownload() override { ++stops; }
    FetchwellEvents* events = nullptr;
    std::string url;
    std::string folder;
    std::string fileName;
    std::vector<std::string> started;  // the address of each start
    int starts = 0;
    int stops = 0;
};

class FakeDownloadFactory : public DownloadFactory {
  public:
    std::unique_ptr<Fetchwell> Create() override {
        auto control = std::make_unique<FakeFetchwell>();
        created.push_back(control.get());
        return control;
    }
    std::vector<FakeFetchwell*> created;  // borrowed: owned by the window that asked
};

class FakeInstanceGuard : public InstanceGuard {
  public:
    bool AnotherCopyRunning() override {
        ++asked;
        return anotherCopy;
    }
    bool anotherCopy = false;
    int asked = 0;
};

class FakeProgramEnd : public ProgramEnd {
  public:
    void EndProgram(int exitCode) override { exitCodes.push_back(exitCode); }
    std::vector<int> exitCodes;
};

struct FakeServices {
    FakeServices() {
        services.messages = &messages;
        services.fileDialogs = &fileDialogs;
        services.clock = &clock;
        services.processes = &processes;
        services.urls = &urls;
        services.runValue = &runValue;
        services.downloads = &downloads;
        services.instance = &instance;
        services.end = &end;
    }
    FakeServices(const FakeServices&) = delete;
    FakeServices& operator=(const FakeServices&) = delete;

    FakeMessageBoxes messages;
    FakeFileDialogs fileDialogs;
    FakeClock clock;
    FakeProcesses processes;
    FakeUrlOpener urls;
    FakeRunValueStore runValue;
    FakeDownloadFactory downloads;
    FakeInstanceGuard instance;
    FakeProgramEnd end;
    Services services;
};
