#include "store/settings_key.h"

#include "research/research_limits.h"
#include "store/registry_store.h"

namespace quillmark::store {
namespace {

// The program's own defaults; the dialog's design-time values show only when a read fails. The
// pages list holds "1" to "20": the default's entry sits one below its number.
constexpr std::uint32_t kDefaultDepth = kDefaultMaxPages - kMinMaxPages;
constexpr std::uint32_t kDefaultResults = kDefaultMaxResults;

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

namespace {

// A switch that is on unless stored as 0.
bool LoadSwitch(const char* name) noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    return !key.ValueExists(name) || key.ReadDword(name) != 0;
  } catch (...) {
    return true;
  }
}

void SaveSwitch(const char* name, bool on) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteDword(name, on ? 1 : 0);
  } catch (...) {
  }
}

}  // namespace

bool LoadTipsFlag() noexcept {
  return LoadSwitch("tips");
}

void SaveTipsFlag(bool show) noexcept {
  SaveSwitch("tips", show);
}

bool LoadHistoryFlag() noexcept {
  return LoadSwitch("history");
}

void SaveHistoryFlag(bool keep) noexcept {
  SaveSwitch("history", keep);
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
    if (!key.ValueExists("parallel")) return 0;
    const std::uint32_t parallel = key.ReadDword("parallel");
    return parallel >= 1 && parallel <= kMaxProviderParallel ? static_cast<int>(parallel) : 0;
  } catch (...) {
    return 0;
  }
}

std::uint32_t LoadCostQuestionCents() noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    return key.ValueExists("ask-above-cents") ? key.ReadDword("ask-above-cents")
                                              : kDefaultCostQuestionCents;
  } catch (...) {
    return kDefaultCostQuestionCents;
  }
}

void SaveCostQuestionCents(std::uint32_t cents) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteDword("ask-above-cents", cents);
  } catch (...) {
  }
}

std::uint32_t LoadEconomy() noexcept {
  try {
    const RegistryKey key = RegistryKey::OpenForRead(kSettingsKeyPath);
    if (!key.ValueExists("economy")) return 0;
    const std::uint32_t economy = key.ReadDword("economy");
    return economy <= 2 ? economy : 0;
  } catch (...) {
    return 0;
  }
}

void SaveEconomy(std::uint32_t economy) noexcept {
  try {
    RegistryKey key = RegistryKey::OpenForWrite(kSettingsKeyPath);
    key.WriteDword("economy", economy);
  } catch (...) {
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
