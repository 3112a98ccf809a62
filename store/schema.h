// Creates the portfolio store's tables in the database file, or brings an older file up to date.
#pragma once

// Ends with the database closed; always true.
bool CreateOrUpgradeSchema();
