#pragma once

#include <QString>

// The once-a-run check for a newer version of the program: the version page on our web site
// names the current version in its title; when it differs from the running one, the template
// database is backed up, the user is told, and the updater beside the program takes over.
namespace lanxi {

// What the network routines answer when no page with the marker came back in time.
inline constexpr char16_t kNetworkError[] = u"网络错误！";

// Fetches `address` (with a cache-breaking "Time=" parameter appended) and waits, letting the
// user interface run, until the answer is complete or `timeoutSeconds` have passed. When the
// answer holds `marker`, `pageText` receives it up to its last "<BR>", with every "<+>" turned
// into a line break (CR LF), and the empty text is answered; otherwise kNetworkError, and
// `pageText` is left alone.
QString WebGetText(const QString& address, QString& pageText, const QString& marker,
                   int timeoutSeconds);
// WebGetText up to five times, stopping at the first success; answers the last result.
QString WebGetRetry(const QString& address, QString& pageText, const QString& marker,
                    int timeoutSeconds);

// How an update check ended.
enum class UpdateOutcome {
  AlreadyChecked,  // the check ran before in this run: nothing was done
  NoAnswer,        // no version could be read (network, page, or the running version)
  UpToDate,        // the page names the running version
  UpdaterStarted,  // another version: the updater runs and the program must end now
  UpdaterFailed,   // another version, but the updater could not be started; the user was told
};

// Forgets that the check ran, so the next CheckUpdate runs it (done once at start).
void ResetUpdateCheck();
// The version page of product `pageNumber`: the host kept in the settings (our own web site by
// default) + "/soft/downpage/Pro.asp?ID=" + the number.
QString VersionPageAddress(int pageNumber);
// Runs the update check once per run (see UpdateOutcome). Network trouble ends it silently.
// `timeoutSeconds` bounds each of the five attempts.
UpdateOutcome CheckUpdate(int pageNumber, int timeoutSeconds = 120);

// The version a version page names: the number after the first "(" of the text after its first
// "<title>"; 0 when there is none.
double RemoteVersion(const QString& pageText);
// The version text read as a number: only its digits and points count; 0 when there are none.
double VersionNumber(const QString& version);
// The number at the start of a text (leading blanks skipped, reading stops at the first
// character that cannot continue a number); 0 when there is none.
double LeadingDouble(QStringView text);
// Where the template is backed up before an update: "BAK_data" + n (three digits) + ".DAT" in
// `folder`, for the smallest n from 0 to 1000 that is free; empty when all are taken.
QString NextBackupPath(const QString& folder);
// The updater's one argument: the two archives to fetch, then, after "|", the program files it
// replaces (the running program and the downloader).
QString UpdaterArgument();
// The updater's path: the program folder + "/update".
QString UpdaterPath();

}  // namespace lanxi
