#pragma once

// Messages about the database itself: unconfirmed commits, cluster refusals, waits, schema upgrades.
namespace qar::str
{

inline constexpr int kCommitUnconfirmed = 9090;
inline constexpr int kClusterConflictCause = 9091;
inline constexpr int kDatabaseNoAnswer = 9092;
inline constexpr int kWaitingForDatabase = 9093;
inline constexpr int kSchemaAddKey = 9094;
inline constexpr int kSchemaAddIndex = 9095;
inline constexpr int kSchemaUpToDate = 9096;
inline constexpr int kSchemaDryRun = 9097;
inline constexpr int kSchemaUpgraded = 9098;
inline constexpr int kClusterRetry = 9099;

} // namespace qar::str
