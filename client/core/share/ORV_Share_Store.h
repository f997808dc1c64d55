#pragma once

#include "client/core/share/ORV_Share_Data.h"

#include <QString>

#include <vector>

// The rows of t_share and t_share_permission, read and written on the
// calling thread's connection with bound values only. Callers that change
// several rows wrap them in one transaction.

// Shares of the owner e-mail in stored order, each with its permissions.
bool read_shares(const QString& my_eml, std::vector<ORV_Share_Data>& out);

// One t_share row and its permissions, tied by the id of that very insert.
bool insert_share_rows(const ORV_Share_Data& share);

// Every t_share row of the share's owner and path, and their permissions.
bool delete_share_rows(const ORV_Share_Data& share);
