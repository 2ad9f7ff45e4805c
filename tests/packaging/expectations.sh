# Sourced by the package tests: checks that say what they saw, counted, and the programs' start as
# package_probe reports it.
failures=0

# expect_equal WHAT EXPECTED SEEN
expect_equal() {
    if [ "$2" = "$3" ]; then
        echo "ok: $1"
        return
    fi
    echo "FAILED: $1"
    echo "  expected: ${2//$'\n'/$'\n'            }"
    echo "  seen:     ${3//$'\n'/$'\n'            }"
    failures=$((failures + 1))
}

# expect_absent WHAT PATH
expect_absent() {
    if [ ! -e "$2" ]; then
        echo "ok: $1 is gone"
        return
    fi
    echo "FAILED: $1 is still there: $(find "$2" | head -n 20 | tr '\n' ' ')"
    failures=$((failures + 1))
}

# Ends the test: exit status 1 when a check failed.
finish_expectations() {
    if [ "$failures" -gt 0 ]; then
        echo "$failures checks failed"
        exit 1
    fi
}

# expected_start VERSION: what package_probe start reports for a sound Dovrane.exe: the start-up
# tip (its line break reported as a space), the window with the version's major.minor in its title, the file version and the exit code
# of a system close.
expected_start() {
    printf '%s\n' "box caption: 信息:" "box text: 温馨提示: 修复前请先复制备份数据库,以免造成数据丢失" \
        "window: Dovrane" "title: Dovrane V${1%.*}" "file version: $1.0" "exit code: 0"
}
