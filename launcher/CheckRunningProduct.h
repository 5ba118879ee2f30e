#pragma once

class OvString;

// The product's program names, one search text: the list of four names, with
// the setup's name appended without a blank, upper-cased.
OvString ProductProcessNames();

// 1 when a running process's executable file name (upper-cased, without its
// folder) is a piece of ProductProcessNames, else 0; also 0 when the process
// list cannot be had. Takes and releases everything within the call.
int CheckRunningProduct();
