#pragma once

// The tables of the client's own record and of its shares, created where
// missing. Each logs its outcome and returns it.
bool create_table_share();
bool create_table_share_permission();
bool create_table_myinfor();

// t_share and t_share_permission exist afterwards, or the result is false.
bool ensure_share_tables();
