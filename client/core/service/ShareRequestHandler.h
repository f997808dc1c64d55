#pragma once

// Serves one admitted peer connection for as long as it lives: share-list
// requests and transfer requests, one after the other. Thread body; the
// socket is closed when it returns.
void ShareRequestHandler(int sock);
