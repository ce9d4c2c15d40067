#pragma once

#include <QJsonObject>

// The gateway's API as an OpenAPI 3.0 description (GET /openapi.json), made from the settings and actions
// tables: every setting a change may name, typed with its values or range over every model, and every action
// with its argument.
QJsonObject openApiDocument();
