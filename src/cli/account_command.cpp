// qmk account: what the provider says about the account qmk calls it with, from its free
// account call: a login that works, the money left and the calls allowed.

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/interrupt.h"
#include "cli/row_output.h"
#include "command_line/common_options.h"
#include "session/network_session.h"
#include "session/provider_calls.h"
#include "sources/account.h"
#include "sources/credentials.h"
#include "sources/source.h"

namespace quillmark::cli {
namespace {

struct AccountArgs {
  std::string source{sources::SourceNameText(sources::SourceKind::kDataForSeo)};
  session::SessionOptions network;
};

// Login: qm-login
// Balance: $49.9712
// Spent: $0.4200 spent this month (the runs in the history)
// Rate limit: serp, 2000 calls a minute
bool PrintAccount(const sources::Account& account, const std::string& login) {
  std::cout << "Login: " << TerminalSafe(account.login.empty() ? login : account.login) << "\n";
  std::cout << "Balance: " << (account.balance ? session::MoneyText(*account.balance) : "not given")
            << "\n";
  std::cout << "Spent: " << session::SpentThisMonthText(session::MoneySpentThisMonth()) << "\n";
  for (const sources::RateLimit& limit : account.limits) {
    std::cout << "Rate limit: " << TerminalSafe(limit.function) << ", " << limit.calls
              << " calls a " << TerminalSafe(limit.period) << "\n";
  }
  std::cout.flush();
  return std::cout.good();
}

int CheckAccount(const AccountArgs& args) {
  const std::optional<sources::SourceKind> name = sources::ParseSourceName(args.source);
  if (!name) {
    std::cerr << "qmk: unknown source '" << TerminalSafe(args.source)
              << "'; the names are: " << sources::SourceNamesText() << "\n";
    return kExitUsage;
  }
  if (*name != sources::SourceKind::kDataForSeo) {
    std::cerr << "qmk: " << sources::SourceNameText(*name)
              << " has no account to check; only dataforseo has one\n";
    return kExitUsage;
  }
  InstallInterruptHandler();
  sources::AccountCheck check;
  sources::Credentials credentials;
  try {
    credentials = sources::LoadDataForSeoCredentials();
    check = sources::CheckDataForSeoAccount(credentials, session::FetchTimeout(args.network),
                                            Interrupted);
  } catch (const sources::SourceError& e) {
    std::cerr << "qmk: " << e.what() << "\n";
    return kExitFailure;
  }
  switch (check.outcome) {
    case sources::AccountCheck::kOk:
      if (!PrintAccount(check.account, credentials.login)) {
        std::cerr << "qmk: cannot write to standard output\n";
        return kExitFailure;
      }
      return kExitOk;
    case sources::AccountCheck::kRefused:
      std::cerr << "qmk: DataForSEO refused the account: " << TerminalSafe(check.failure) << "\n";
      return kExitFailure;
    case sources::AccountCheck::kFailed:
      std::cerr << "qmk: no answer about the account from DataForSEO: "
                << TerminalSafe(check.failure) << "\n";
      return kExitNotFetched;
    case sources::AccountCheck::kCancelled:
      break;
  }
  std::cerr << "qmk: stopped\n";
  return InterruptExitCode();
}

}  // namespace

void AddAccountCommand(CLI::App& app, int& exit_code) {
  auto args = std::make_shared<AccountArgs>();
  CLI::App* cmd = app.add_subcommand(
      "account",
      "Check a provider account: its login, the money left and the calls allowed "
      "(a free call)");
  cmd->add_option("--source", args->source, "The provider: dataforseo (default)")
      ->type_name("NAME");
  command_line::AddTimeoutOption(cmd, args->network);
  cmd->get_option("--timeout")->description("Time limit of the call, in seconds (default 60)");
  cmd->callback([args, &exit_code] { exit_code = CheckAccount(*args); });
}

}  // namespace quillmark::cli
