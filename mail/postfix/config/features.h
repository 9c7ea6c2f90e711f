// The feature report read by the panel: which operations this mail system
// supports, one PHP assignment per line.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_FEATURES_H
#define QUARN_MAIL_POSTFIX_CONFIG_FEATURES_H

#include <ostream>
#include <string>

namespace quarn::mail::postfix {

/// "$features['name'] = value;" for "true" and "false", otherwise the value
/// in double quotes.
void print_feature(std::ostream& out, const std::string& name, const std::string& value);

/// Whether a Postfix version (the text "postconf -d -h mail_version" prints)
/// has sender-dependent transport maps: its dot-separated pieces compare
/// above ["2", "7"], piece by piece as strings.
bool hasSenderDependentTransports(const std::string& mailVersion);

/// The whole report; the installed Postfix version is read with postconf.
void printFeatureReport(std::ostream& out);

}  // namespace quarn::mail::postfix

#endif
