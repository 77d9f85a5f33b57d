#pragma once
// How the footage benchmark prints: a title per part with the machine's cores and load,
// then one line per figure with its target and whether it was met.

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace vidorra::bench {

// "== title  (N cores, load a b c)"
void title(const QString &what);
// "  what: value  (target ...)  ok | MISSED"; `met` empty prints no verdict.
void figure(const QString &what, const QString &value, const QString &target = {},
            std::optional<bool> met = std::nullopt);
void note(const QString &text);

// The p-th percentile (0..1) of `values`, nearest rank; 0 for none.
double percentile(QList<double> values, double p);
double mean(const QList<double> &values);

// Runs the application's event loop for `ms` milliseconds.
void runEvents(int ms);
// Runs the event loop until `done` holds or `ms` pass; whether it held.
bool runUntil(const std::function<bool()> &done, int ms);

} // namespace vidorra::bench
