# Sourced by the scripts that run Windows programs under Wine.
# wine_env PREFIX: checks that $wine64 and $wineserver exist (exit 77,
# reported as skipped, when not) and sets up the environment for PREFIX.
wine_env() {
    local tool
    for tool in "$wine64" "$wineserver"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "SKIP: $tool not found"
            exit 77
        fi
    done
    export WINEPREFIX=$1
    export WINEDEBUG=-all
    # No prompts to install .NET or HTML support into a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    # Headless: key events go through Wine's own key state, not an X server's.
    unset DISPLAY WAYLAND_DISPLAY
}

# Ends the server of the current prefix and waits until it has gone.
wine_stop_server() {
    timeout 30 "$wineserver" -k </dev/null >/dev/null 2>&1
    timeout 30 "$wineserver" -w </dev/null >/dev/null 2>&1
}
