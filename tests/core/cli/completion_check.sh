#!/usr/bin/env bash
# The bash completion file loads, offers every option each command's --help
# lists, and completes the options' fixed choices.
#   completion_check.sh COMPLETION-FILE ZX-SETUP-CLI
set -u
source "$1" || exit 1
complete -p zx-setup-cli >/dev/null || exit 1
cli=$2
failed=0

check() {
    local want=$1
    shift
    COMP_WORDS=("$@")
    COMP_CWORD=$(($# - 1))
    _zx_setup_cli
    local got
    got=$(printf '%s\n' "${COMPREPLY[@]}" | sort | xargs)
    want=$(printf '%s\n' $want | sort | xargs)
    if [[ $got != "$want" ]]; then
        echo "completing '$*': got '$got', expected '$want'"
        failed=1
    fi
}

check "jumpers" zx-setup-cli j
check "help" zx-setup-cli he
check "jumpers linux read write" zx-setup-cli help ""
check "rs485 rs422" zx-setup-cli jumpers --protocol ""
check "transmit" zx-setup-cli jumpers --termination t
check "x1 x8" zx-setup-cli jumpers --clock = ""
check "disabled" zx-setup-cli jumpers --com-ports d
check "10 11 12 15" zx-setup-cli write --irq 1
for command in jumpers read write linux; do
    options=$("$cli" "$command" --help | grep -oE '^ +(-[a-z], )?--[a-z-]+' | grep -oE -- '--[a-z-]+$')
    check "$options" zx-setup-cli "$command" --
done
exit $failed
