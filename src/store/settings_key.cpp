#include "store/settings_key.h"

#include "store/registry_store.h"

namespace quillmark::store {
namespace {

// The program's own defaults; the dialog's design-time values show only when a read fails.
constexpr std::uint32_t kDefaultDepth = 2;  // the pages entry "3"
constexpr std::uint32_t kDefaultResults = 10;
constexpr int kDefaultParallel = 8;
constexpr std::uint32_t kMaxParallel = 32;

}  // namespace

const char kSettingsKeyPath[] = "\\Software\\Tervane\\Quillmarks 1.0\\Setup";

void LoadInvestigateEntries(InvestigateEntries& dialog) noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    dialog.SetKeyterm(key.ValueExists("keyterm") ? key.ReadString("keyterm") : std::string());
    dialog.SetHome(key.ValueExists("home") ? key.ReadString("home") : std::string());
    dialog.SetDepth(key.ValueExists("depth") ? key.ReadDword("depth") : kDefaultDepth);
    dialog.SetResults(key.ValueExists("results") ? key.ReadDword("results") : kDefaultResults);
  } catch (...) {
    // A value of the wrong type ends the reading; the controls keep what they hold.
  }
}

void SaveInvestigateEntries(InvestigateEntries& dialog) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteString("keyterm", dialog.Keyterm());
    key.WriteString("home", dialog.Home());
    key.WriteDword("depth", dialog.Depth());
    key.WriteDword("results", dialog.Results());
  } catch (...) {
    // A failed write ends the writing; the values written before it stay.
  }
}

bool LoadTipsFlag() noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    return !key.ValueExists("tips") || key.ReadDword("tips") != 0;
  } catch (...) {
    return true;
  }
}

void SaveTipsFlag(bool show) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteDword("tips", show ? 1 : 0);
  } catch (...) {
  }
}

std::string LoadExportFolder() noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    return key.ValueExists("export-folder") ? key.ReadString("export-folder") : std::string();
  } catch (...) {
    return {};
  }
}

void SaveExportFolder(const std::string& folder) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteString("export-folder", folder);
  } catch (...) {
  }
}

int LoadParallelFetches() noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    if (!key.ValueExists("parallel")) return kDefaultParallel;
    const std::uint32_t parallel = key.ReadDword("parallel");
    return parallel >= 1 && parallel <= kMaxParallel ? static_cast<int>(parallel)
                                                     : kDefaultParallel;
  } catch (...) {
    return kDefaultParallel;
  }
}

SourceChoice LoadSourceChoice() noexcept {
  SourceChoice choice;
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    // Each value on its own: a wrong type in one must not take the other's choice away.
    const auto read = [&key](const char* name, std::string& into) {
      try {
        if (key.ValueExists(name)) into = key.ReadString(name);
      } catch (...) {
      }
    };
    read("source", choice.source);
    read("top-source", choice.top_source);
    try {
      if (key.ValueExists("location")) choice.location = key.ReadDword("location");
    } catch (...) {
    }
    read("language", choice.language);
    read("country", choice.country);
    read("suggest-host", choice.suggest_host);
    read("search-host", choice.search_host);
    read("top-host", choice.top_host);
  } catch (...) {
  }
  return choice;
}

void SaveSourceChoice(const SourceChoice& choice) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteString("source", choice.source);
    key.WriteString("top-source", choice.top_source);
    key.WriteDword("location", choice.location);
    key.WriteString("language", choice.language);
    key.WriteString("country", choice.country);
    key.WriteString("suggest-host", choice.suggest_host);
    key.WriteString("search-host", choice.search_host);
    key.WriteString("top-host", choice.top_host);
  } catch (...) {
  }
}

}  // namespace quillmark::store
