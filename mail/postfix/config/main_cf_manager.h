// Parameters of Postfix's main.cf, read and written only through postconf:
// plain values, numbers, comma-separated lists and lists rebuilt by a filter.
#ifndef QUARN_MAIL_POSTFIX_CONFIG_MAIN_CF_MANAGER_H
#define QUARN_MAIL_POSTFIX_CONFIG_MAIN_CF_MANAGER_H

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include <boost/lexical_cast.hpp>

#include "lib/util/mk_lock.h"

namespace quarn::mail::postfix {

/// The one way to main.cf. Every read runs "postconf -h", every write
/// "postconf -e" under the main.cf lock; nothing is cached. Failures throw
/// PostfixConfigurationError with postconf's standard error.
class MainCfManager {
public:
    /// Holds the main.cf lock for its lifetime, so that a read-modify-write
    /// sequence loses no concurrent change. Writes made while it is held
    /// use it instead of locking again; guards nest.
    class WriteLock {
    public:
        explicit WriteLock(MainCfManager& manager);
        WriteLock(const WriteLock&) = delete;
        WriteLock& operator=(const WriteLock&) = delete;
        ~WriteLock();

    private:
        MainCfManager& manager_;
    };

    /// The instance, made at first use; a failed construction is retried by
    /// the next call.
    static MainCfManager& getInstance();

    /// The value in effect, or Postfix's built-in default when `defaults`,
    /// trimmed of white space.
    std::string getStringValue(const std::string& name, bool defaults = false) const;
    /// Sets `name` to `value` in main.cf. A name that is not a parameter
    /// name or a value with a control character is refused unwritten.
    void replaceStringValue(const std::string& name, const std::string& value);

    /// The value as a number; text that is not one throws bad_lexical_cast.
    template <typename T>
    T getScalarValue(const std::string& name) const {
        return boost::lexical_cast<T>(getStringValue(name, false));
    }
    template <typename T>
    void replaceScalarValue(const std::string& name, T value) {
        replaceStringValue(name, std::to_string(value));
    }

    /// The elements of a list value, split at runs of blanks and commas.
    void getList(const std::string& name, std::deque<std::string>& out) const;
    /// Writes the elements joined with ", ".
    void setList(const std::string& name, const std::deque<std::string>& elements);
    /// Adds `element` unless present; a present one in "mynetworks" rewrites
    /// the value unchanged, making a computed value explicit.
    void appendStringValue(const std::string& name, const std::string& element);
    /// Removes every occurrence of `element`; writes only when one was there.
    void removeListElement(const std::string& name, const std::string& element);

    /// Rebuilds a list: the filter's leading elements, then every existing
    /// comma-separated piece that begins with one of its kept prefixes.
    /// Written every time.
    template <class Filter>
    void filterStringValues(const std::string& name, const Filter& filter) {
        WriteLock hold(*this);
        std::vector<std::string> rebuilt = filter.leadingElements();
        for (const std::string& piece : commaPieces(getStringValue(name, false)))
            for (const std::string& prefix : filter.keptPrefixes())
                if (piece.compare(0, prefix.size(), prefix) == 0) {
                    rebuilt.push_back(piece);
                    break;
                }
        replaceStringValue(name, joinList(rebuilt.begin(), rebuilt.end()));
    }

    /// The pieces of a value split at commas only, trimmed, empty ones skipped.
    static std::vector<std::string> commaPieces(const std::string& value);
    /// Elements joined with ", ".
    template <class Iter>
    static std::string joinList(Iter first, Iter last) {
        std::string joined;
        for (; first != last; ++first) {
            if (first->empty())
                continue;
            if (!joined.empty())
                joined += ", ";
            joined += *first;
        }
        return joined;
    }

    /// main.cf's path: the key of its lock.
    const std::string& path() const noexcept { return path_; }

private:
    MainCfManager();

    std::string path_;
    std::unique_ptr<MKLock> lock_;
    int lockDepth_ = 0;
};

}  // namespace quarn::mail::postfix

#endif
