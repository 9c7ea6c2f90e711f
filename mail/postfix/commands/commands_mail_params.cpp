// The relay policy with POP3-before-SMTP, and SPF: the commands whose
// changes reach beyond main.cf (Courier, the milter, root's crontab).
#include "mail/postfix/commands/commands.h"

#include <cstdint>
#include <string>

#include <boost/program_options/value_semantic.hpp>

#include "lib/errors/errors.h"
#include "mail/lib/files/courier_settings.h"
#include "mail/lib/files/spf_settings.h"
#include "mail/postfix/options/program_options_helper.h"
#include "mail/postfix/config/settings_manager.h"
#include "mail/postfix/lib/pop_auth.h"
#include "mail/postfix/lib/poplock_cron.h"
#include "mail/postfix/services/service_manager.h"

namespace po = boost::program_options;

namespace quarn::mail::postfix::mxwarden_commands {

namespace {

struct MailParams {
    bool relay = false;
    bool smtpAuth = false;
    bool popAuth = false;
    int16_t popLockTime = -1;
};

/// The options of --set-mail-params; "shortnames" is refused here, before
/// anything is changed.
MailParams parseMailParams(int argc, char** argv) {
    ProgramOptionsHelper options("set mail server parameters",
                                 "--set-mail-params [--relayclient] [--smtpauth] [--popauth] "
                                 "[--poplock-time=<time_in_seconds>] [--shortnames]");
    options.addOptions()("relayclient", "whether to enable mail relaying (disabled by default)")(
        "smtpauth", "whether to enable SMTP authorization (disabled by default)")(
        "popauth", "whether to enable POP3 before SMTP authorization (disabled by default)")(
        "poplock-time", po::value<int16_t>()->default_value(-1),
        "POP3 authorization validity time")(
        "shortnames", "whether to enable short names (legacy, not supported)");
    standardOptionsParse(options, argc, argv);
    if (options.has("shortnames"))
        throw NotSupportedError("short account-format is not supported for Postfix");
    MailParams params;
    params.relay = options.has("relayclient");
    params.smtpAuth = options.has("smtpauth");
    params.popAuth = options.has("popauth");
    params.popLockTime = options.get<int16_t>("poplock-time");
    return params;
}

/// The option's text, or "-" when it was not given.
std::string spfValue(const ProgramOptionsHelper& options, const char* name) {
    return options.has(name) ? options.get<std::string>(name) : std::string("-");
}

}  // namespace

// The mail-side files first, each failure ending the run unreloaded; then
// main.cf, and the milter and Postfix pick the changes up.
int setMailParams(int argc, char** argv) {
    const MailParams params = parseMailParams(argc, argv);
    if (set_poplockdb_clean_period(params.popAuth ? params.popLockTime : 0) != 0)
        return 1;
    if (set_courier_params(params.relay, params.popAuth, params.popLockTime, 0) != 0)
        return 1;
    if ((params.popAuth ? enablePopAuth() : disablePopAuth()) != 0)
        return 1;
    if (params.relay)
        SettingsManager::setOpenRelay();
    else
        SettingsManager::setAuthRelay(params.smtpAuth, params.popAuth);
    // Their results are not judged: the settings are in place already.
    ServiceManager::restartMilter();
    ServiceManager::reloadServer();
    return 0;
}

int updateSPF(int argc, char** argv) {
    ProgramOptionsHelper options("update SPF rules",
                                 "--update-spf [--spf-behavior=spf_behavior] "
                                 "[--spf-rules=spf_rules] [--spf-guess=spf_guess] "
                                 "[--spf-exp=<spf_exp>]");
    options.addOptions()("spf-behavior", po::value<std::string>(), "SPF behavior")(
        "spf-rules", po::value<std::string>(), "SPF rules")(
        "spf-guess", po::value<std::string>(), "SPF guess")(
        "spf-exp", po::value<std::string>(), "SPF exp");
    standardOptionsParse(options, argc, argv);
    const std::string behavior = spfValue(options, "spf-behavior");
    const std::string rules = spfValue(options, "spf-rules");
    const std::string guess = spfValue(options, "spf-guess");
    const std::string explanation = spfValue(options, "spf-exp");
    return update_spf(behavior.c_str(), rules.c_str(), guess.c_str(), explanation.c_str()) != 0
               ? 1
               : 0;
}

}  // namespace quarn::mail::postfix::mxwarden_commands
