#ifndef CLUSTERTIMINGS_H
#define CLUSTERTIMINGS_H

#include <QtGlobal>

namespace ClusterLimits {
// A spot line is under 100 characters; a fragment far beyond that is not a
// line the network cut but a node (or an attacker) sending without line
// feeds, and keeping it would let memory grow without bound.
constexpr int kMaxBrokenLineLength = 4096;
constexpr int kMaxCollectedSpots = 20;
constexpr int kMonitorIntervalMs = 60000;
constexpr int kIdleIntervalMs = 60000;
constexpr int kEarlierSpotsDelayMs = 5000;
// A node answers the earlier-spots requests in one burst; this much silence
// after it means the burst is over, even when it held fewer than 100 lines
// (a real node with 27 stored spots answers "SHOW/FDX 100" with 27).
constexpr int kEarlierSpotsQuietMs = 2000;
// A busy node over the internet may take long to start its answer; after
// this long without one the collection ends empty.
constexpr int kEarlierSpotsFirstAnswerMs = 30000;
// The burst ends at the latest after this many complete spot lines.
constexpr int kEarlierSpotsLines = 100;
// One turn of the receive path reads at most this much (some 200 spot
// lines); the rest waits for the next turn of the event loop, so that a
// flood leaves the window repainting and signals answered.
constexpr qint64 kReadSliceBytes = 16 * 1024;
// What the socket holds unread at most; beyond it TCP makes the node wait.
constexpr qint64 kReadBufferBytes = 1024 * 1024;
// Connection attempts to one host, probes included, are limited to three in
// this long.
constexpr int kConnectWindowMs = 60000;
} // namespace ClusterLimits

// When a connection acts on its own. The defaults are the program's;
// tests shorten them to exercise probing and recovery in milliseconds.
struct ClusterTimings
{
    int monitorMs = ClusterLimits::kMonitorIntervalMs;
    int idleMs = ClusterLimits::kIdleIntervalMs;
    int earlierSpotsDelayMs = ClusterLimits::kEarlierSpotsDelayMs;
    int earlierSpotsQuietMs = ClusterLimits::kEarlierSpotsQuietMs;
    int earlierSpotsFirstAnswerMs = ClusterLimits::kEarlierSpotsFirstAnswerMs;
    int connectWindowMs = ClusterLimits::kConnectWindowMs;
};

#endif // CLUSTERTIMINGS_H
