# Sourced by scripts/test: a private X server (Xvfb) and a private PulseAudio daemon
# with a null sink, for the tests that use a real window or real sound.

_xvfb_pid=""
_keepalive_pid=""
_pulse_started=""

start_test_services() {
    local dir=$1
    rm -rf "$dir" && mkdir -p "$dir" || return 1

    # Xvfb picks a free display number itself and writes it to the pipe.
    exec {fd}<> <(:)
    Xvfb -displayfd "$fd" -screen 0 1280x1024x24 -nolisten tcp -noreset >"$dir/xvfb.log" 2>&1 &
    _xvfb_pid=$!
    local n=""
    read -r -t 20 -u "$fd" n || true
    exec {fd}>&-
    if [ -z "$n" ]; then
        echo "Xvfb did not start (see $dir/xvfb.log)" >&2
        return 1
    fi
    export DISPLAY=":$n"

    export PULSE_RUNTIME_PATH="$dir/pulse"
    export PULSE_STATE_PATH="$dir/pulse-state"
    mkdir -p "$PULSE_RUNTIME_PATH" "$PULSE_STATE_PATH"
    cat >"$dir/null.pa" <<PA
load-module module-native-protocol-unix
load-module module-null-sink sink_name=quenzo_null rate=44100 channels=2
set-default-sink quenzo_null
PA
    pulseaudio -D -n -F "$dir/null.pa" --exit-idle-time=-1 --log-target=file:"$dir/pulse.log" \
        >/dev/null 2>&1
    export PULSE_SERVER="unix:$PULSE_RUNTIME_PATH/native"
    local i
    for i in $(seq 100); do
        pactl info >/dev/null 2>&1 && break
        sleep 0.1
    done
    if ! pactl info >/dev/null 2>&1; then
        echo "PulseAudio did not start (see $dir/pulse.log)" >&2
        return 1
    fi
    _pulse_started=1
    # One low-latency client keeps the null sink awake, so new streams start within
    # a few tens of milliseconds instead of up to two seconds.
    pacat --latency-msec=20 </dev/zero >/dev/null 2>&1 &
    _keepalive_pid=$!
}

stop_test_services() {
    [ -n "$_keepalive_pid" ] && kill "$_keepalive_pid" 2>/dev/null
    [ -n "$_pulse_started" ] && pulseaudio -k >/dev/null 2>&1
    [ -n "$_xvfb_pid" ] && kill "$_xvfb_pid" 2>/dev/null
    wait 2>/dev/null
    return 0
}
