#include "mail/postfix/config/features.h"

#include <vector>

#include <boost/algorithm/string/split.hpp>

#include "lib/runner/exec_cmd.h"

namespace quarn::mail::postfix {

namespace {

struct Feature {
    const char* name;
    const char* value;
};

const Feature FIXED_FEATURES[] = {
    {"MailName_SetName", "true"},
    {"MailName_SetDomain", "true"},
    {"MailName_Quota", "true"},
    {"MailName_SetQuota", "true"},
    {"MailName_Size", "true"},
    {"MailName_Password", "true"},
    {"MailName_SetPassword", "true"},
    {"MailName_Postbox", "true"},
    {"MailName_SetPostbox", "true"},
    {"MailName_Forward", "true"},
    {"MailName_MultiForward", "true"},
    {"MailName_SetForward", "true"},
    {"MailName_AutoResponder", "true"},
    {"MailName_SetAutoResponder", "true"},
    {"MailName_Aliases", "true"},
    {"Domain_SetName", "true"},
    {"Domain_Enable", "true"},
    {"Domain_SetEnable", "true"},
    {"Domain_Quota", "true"},
    {"Domain_SetQuota", "true"},
    {"Domain_Bounce", "true"},
    {"Domain_SetBounce", "true"},
    {"Domain_Catch", "true"},
    {"Domain_SetCatch", "true"},
    {"Domain_Reject", "true"},
    {"Common_BadMail", "true"},
    {"Common_MaxLetterSize", "true"},
    {"Common_SetMaxLetterSize", "true"},
    {"Relay", "true"},
    {"Relay_Set", "true"},
    {"Relay_Open", "true"},
    {"Relay_Closed", "true"},
    {"Relay_AuthorizationIsRequired", "true"},
    {"Relay_AuthType_None", "true"},
    {"Relay_AuthType_POP3_SMTP", "true"},
    {"Relay_AuthType_POP3", "false"},
    {"Relay_AuthType_SMTP", "true"},
    {"Relay_POP3_LockTime", "true"},
    {"Relay_WhiteList", "true"},
    {"Relay_WhiteList_Mask", "true"},
    {"Relay_BlackList", "true"},
    {"Relay_WhiteList_BlackList", "true"},
    {"MapsProtection", "true"},
    {"SetMapsProtection", "true"},
    {"AccountsFormat_Simple", "false"},
    {"AccountsFormat_Compound", "true"},
    {"AccountsFormat_Both", "false"},
    {"AccountsFormat_Set", "true"},
    {"Mail_Send", "true"},
    {"Mail_Attachments", "true"},
    {"Mail_Forward", "true"},
    {"SMTP_Server", "Postfix"},
    {"IMAP_POP3_Server", "Courier-IMAP"},
    {"SMTP_Server_package", "postfix"},
    {"IMAP_POP3_Server_package", "courier-imap"},
    {"Message_Submission", "true"},
    {"Message_Submission_all_IP", "true"},
    {"Message_Submission_Dedicated_IP", "false"},
};

std::string installedMailVersion() {
    ExecCmd postconf("/usr/sbin/postconf");
    postconf << "-d" << "-h" << "mail_version";
    postconf.exec();
    return postconf.getOutput();
}

}  // namespace

void print_feature(std::ostream& out, const std::string& name, const std::string& value) {
    if (value == "true" || value == "false")
        out << "$features['" << name << "'] = " << value << ";\n";
    else
        out << "$features['" << name << "'] = \"" << value << "\";\n";
}

bool hasSenderDependentTransports(const std::string& mailVersion) {
    // postconf ends its answer with a line feed, which is not part of the
    // last piece: without this "2.7" would compare above "7".
    std::string version = mailVersion;
    if (!version.empty() && version.back() == '\n')
        version.pop_back();
    std::vector<std::string> pieces;
    boost::algorithm::split(pieces, version, [](char c) { return c == '.'; });
    const std::vector<std::string> firstWithout = {"2", "7"};
    return firstWithout < pieces;
}

void printFeatureReport(std::ostream& out) {
    for (const Feature& feature : FIXED_FEATURES)
        print_feature(out, feature.name, feature.value);
    const bool sdd = hasSenderDependentTransports(installedMailVersion());
    print_feature(out, "SDD_Transport_Maps", sdd ? "true" : "false");
}

}  // namespace quarn::mail::postfix
