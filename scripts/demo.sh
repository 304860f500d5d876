#!/usr/bin/env bash
# Placeholder until the window lands: the demo report.
echo "The report window is not built yet." >&2
