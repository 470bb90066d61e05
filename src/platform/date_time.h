#pragma once

// Date-time values as the system stores and sends them: days since 1899-12-30 (local time),
// the fraction being the time of day.
using TDateTime = double;
