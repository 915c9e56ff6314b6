// Where the software update comes from and where the install folder's backup goes: deployment
// settings, read from the environment each time.
#pragma once

#include <QString>

// The update server's listing address, "http://<host:port>/monitor/": MONITOR_UPDATE_SERVER
// ("host:port") when set, else 127.0.0.1:10440.
QString updateServerAddress();

// The folder that keeps the compressed backups of the install folder taken before a download:
// MONITOR_BACKUP_DIR when set, else /root.
QString backupFolder();
