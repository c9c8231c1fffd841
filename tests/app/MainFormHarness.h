#pragma once
// A main window for tests: fake ports (or none), scripted dialogs and
// settings in a temporary directory.

#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "app/MainUnit.h"
#include "link/PortSource.h"
#include "link/TLpt.h"
#include "tests/app/AppTestSupport.h"
#include "tests/app/ScriptedDialogs.h"

struct TPortWrite {
  uint16_t Address;
  uint8_t Value;
  bool operator==(const TPortWrite&) const = default;
};

struct TFakePortLog {
  std::vector<TPortWrite> Writes;
  uint32_t Now = 0;
};

class TFakePortIo : public TPortIo {
public:
  explicit TFakePortIo(std::shared_ptr<TFakePortLog> log) : Log(std::move(log)) {}
  uint8_t ReadPort(uint16_t) override { return 0; }
  void WritePort(uint16_t address, uint8_t value) override {
    Log->Writes.push_back({address, value});
  }
  void Sleep(uint32_t ms) override { Log->Now += ms; }
  uint32_t TickCount() override { return Log->Now; }
  std::shared_ptr<TFakePortLog> Log;
};

// Lists the given addresses, unnamed like the machine's own ports.
class TFakePortSource : public TPortSource {
public:
  TFakePortSource(std::shared_ptr<TFakePortLog> log, std::vector<uint16_t> addresses)
      : Log(std::move(log)), Addresses(std::move(addresses)) {}
  void FindPorts(std::vector<TDiscoveredPort>& ports) override {
    for (uint16_t a : Addresses) ports.push_back({a, "", ""});
  }
  std::unique_ptr<TPortIo> Open(const TDiscoveredPort&, std::string&) override {
    return std::make_unique<TFakePortIo>(Log);
  }
  std::shared_ptr<TFakePortLog> Log;
  std::vector<uint16_t> Addresses;
};

struct TFormHarness {
  TFormHarness() { TestApp(); }

  QString SettingsFile() const { return Dir.filePath(QStringLiteral("settings.ini")); }

  // Creates the window over fake ports at `addresses` (none: no port at
  // all) plus any `extra` sources.
  TMainForm& Start(std::vector<uint16_t> addresses,
                   std::vector<std::unique_ptr<TPortSource>> extra = {}) {
    std::vector<std::unique_ptr<TPortSource>> sources;
    sources.push_back(std::make_unique<TFakePortSource>(Log, std::move(addresses)));
    for (auto& s : extra) sources.push_back(std::move(s));
    TMainFormOptions options;
    options.Port = std::make_unique<TLptPort>(std::move(sources));
    options.Dialogs = Dialogs;
    options.SettingsFile = SettingsFile();
    Form = std::make_unique<TMainForm>(std::move(options));
    return *Form;
  }

  QTemporaryDir Dir;
  std::shared_ptr<TScriptedDialogs> Dialogs = std::make_shared<TScriptedDialogs>();
  std::shared_ptr<TFakePortLog> Log = std::make_shared<TFakePortLog>();
  std::unique_ptr<TMainForm> Form;
};
