#pragma once

#include <QSqlDatabase>
#include <QString>

// The central database's tables and roles, as the SQL files under
// sql/central hold them, and how a database is brought up to date: each
// file above the database's version runs in a transaction of its own, so a
// database is always at one version or the next.
namespace centralschema {

// The version this program forwards to.
constexpr int kCurrentVersion = 1;

// The database's version: 0 for a database without our tables, -1 when it
// cannot be read (`error` says why).
int version(QSqlDatabase& db, QString* error);

// Runs the steps from the database's version up to kCurrentVersion; needs a
// role that may create schemas and roles.
bool upgrade(QSqlDatabase& db, QString* error);

} // namespace centralschema
