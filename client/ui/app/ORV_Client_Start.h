#pragma once

class QApplication;

// The steps of the client's start and end that the program and the tests
// that run a whole window share, in the order the program takes them.

// The theme colours from config.ini; a first start writes the defaults.
void load_theme_colours();

// The database and the own identity, the own shares, the service that
// answers friends (before the library can hand over a connection), the
// library's callback and identity, the desktop's file icons and the
// interface language. False when the database cannot be opened; the client
// then runs without its records.
bool start_client_core();

// Tells the user, once at start, that the database file cannot be used:
// which file, and what is wrong with it. The file is left as it is.
void report_database_problem();

// The (empty) compiled-in style sheet.
void apply_style_sheet(QApplication &app);

// The library calls back no more and the browse workers stop.
void stop_client_core();
