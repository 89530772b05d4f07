/* Counts the guest instructions a program runs under qemu-user, per thread,
 * and how many of them are vector (SIMD) instructions. Printed at exit to the
 * qemu log (-d plugin, -D FILE):
 *   thread 0: N instructions, S simd
 *   thread K TID NAME: N instructions, S simd     (one line per thread)
 *   all threads: N instructions, S simd
 * Thread 0 is the program's main thread: in the visualiser, the GUI thread.
 * Each thread adds to a counter of its own (one add per translated block, when
 * the block runs), so threads never lose each other's counts, as a shared
 * counter without atomics does.
 *
 * With the argument out=FILE (-plugin libinsncount.so,out=FILE) a thread of
 * the plugin's own, outside the guest, also writes every thread's count to
 * FILE once a second, so a caller can take the difference over a window of
 * its choosing:
 *   MS K TID NAME INSTRUCTIONS
 * MS is milliseconds since the start, NAME the thread's name at that moment.
 * Built by scripts/paint-cost.sh against the plugin header of the
 * distribution's qemu source. */
#include <qemu-plugin.h>

#include <glib.h>
#include <inttypes.h>
#include <pthread.h>
#include <stdint.h>
#include <stdio.h>
#include <string.h>
#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

QEMU_PLUGIN_EXPORT int qemu_plugin_version = QEMU_PLUGIN_VERSION;

enum { kThreads = 256 }; /* later threads share the last slot, atomically */

typedef struct {
    uint64_t insns;
    uint64_t simd;
    long tid;
} Counts;

static Counts counts[kThreads];
static int used; /* slots handed out */
static __thread Counts* mine;
static FILE* out;
static volatile int stopping;

/* A vector instruction by its disassembly: an A64 vector register
 * ("v3.16b"), or on 32-bit ARM a quad register, an element structure load or
 * store, or an integer or polynomial element type, which the scalar
 * floating-point unit has none of. */
static int IsSimd(const char* text) {
    const char* p;
    if (!text)
        return 0;
    for (p = text; *p; ++p) {
        if (p[0] == 'v' && g_ascii_isdigit(p[1]) && (p[2] == '.' || p[3] == '.') &&
            (p == text || !g_ascii_isalnum(p[-1])))
            return 1;
        if (p[0] == 'q' && g_ascii_isdigit(p[1]) && p > text && (p[-1] == ' ' || p[-1] == '{'))
            return 1;
    }
    if (text[0] != 'v')
        return 0;
    if (!strncmp(text, "vld", 3) || !strncmp(text, "vst", 3))
        return g_ascii_isdigit(text[3]);
    p = strchr(text, '.');
    return p && (p[1] == 'i' || p[1] == 'p' || !strncmp(p, ".u8", 3) || !strncmp(p, ".s8", 3) ||
                 !strncmp(p, ".u16", 4) || !strncmp(p, ".s16", 4));
}

static void BlockRan(unsigned int cpu_index, void* udata) {
    const Counts* block = udata;
    (void)cpu_index;
    if (!mine) { /* a guest thread's first block: a slot of its own, in start order */
        int slot = __atomic_fetch_add(&used, 1, __ATOMIC_RELAXED);
        mine = &counts[slot < kThreads ? slot : kThreads - 1];
        __atomic_store_n(&mine->tid, (long)syscall(SYS_gettid), __ATOMIC_RELAXED);
    }
    __atomic_fetch_add(&mine->insns, block->insns, __ATOMIC_RELAXED);
    __atomic_fetch_add(&mine->simd, block->simd, __ATOMIC_RELAXED);
}

static void BlockTranslated(qemu_plugin_id_t id, struct qemu_plugin_tb* tb) {
    /* Lives as long as the translation may run: to the end of the process. */
    Counts* block = g_new0(Counts, 1);
    size_t i;
    (void)id;
    block->insns = qemu_plugin_tb_n_insns(tb);
    for (i = 0; i < block->insns; ++i) {
        char* text = qemu_plugin_insn_disas(qemu_plugin_tb_get_insn(tb, i));
        block->simd += IsSimd(text) ? 1 : 0;
        g_free(text);
    }
    qemu_plugin_register_vcpu_tb_exec_cb(tb, BlockRan, QEMU_PLUGIN_CB_NO_REGS, block);
}

/* The thread's name as the kernel has it, blanks made underscores; "-" once it has gone. */
static void Name(long tid, char* name, size_t size) {
    char path[64];
    FILE* f;
    snprintf(path, sizeof path, "/proc/self/task/%ld/comm", tid);
    g_strlcpy(name, "-", size);
    f = fopen(path, "r");
    if (f) {
        if (fgets(name, (int)size, f))
            name[strcspn(name, "\n")] = 0;
        fclose(f);
    }
    g_strdelimit(name, " \t", '_');
}

static void Sample(uint64_t ms) {
    int n = __atomic_load_n(&used, __ATOMIC_RELAXED), i;
    char name[32];
    for (i = 0; i < n && i < kThreads; ++i) {
        long tid = __atomic_load_n(&counts[i].tid, __ATOMIC_RELAXED);
        Name(tid, name, sizeof name);
        fprintf(out, "%" PRIu64 " %d %ld %s %" PRIu64 "\n", ms, i, tid, name,
                __atomic_load_n(&counts[i].insns, __ATOMIC_RELAXED));
    }
    fflush(out);
}

static uint64_t Now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint64_t)ts.tv_sec * 1000 + (uint64_t)ts.tv_nsec / 1000000;
}

static void* Sampler(void* p) {
    uint64_t start = Now(), next = start;
    (void)p;
    while (!stopping) {
        next += 1000;
        while (!stopping && Now() < next)
            g_usleep(10000);
        if (!stopping)
            Sample(Now() - start);
    }
    return NULL;
}

static void Report(qemu_plugin_id_t id, void* p) {
    Counts all = {0, 0, 0};
    char line[160], name[32];
    int i, n = __atomic_load_n(&used, __ATOMIC_RELAXED);
    (void)id;
    (void)p;
    stopping = 1;
    for (i = 0; i < kThreads; ++i) {
        all.insns += __atomic_load_n(&counts[i].insns, __ATOMIC_RELAXED);
        all.simd += __atomic_load_n(&counts[i].simd, __ATOMIC_RELAXED);
    }
    snprintf(line, sizeof line, "thread 0: %" PRIu64 " instructions, %" PRIu64 " simd\n",
             counts[0].insns, counts[0].simd);
    qemu_plugin_outs(line);
    for (i = 0; i < n && i < kThreads; ++i) {
        Name(counts[i].tid, name, sizeof name);
        snprintf(line, sizeof line, "thread %d %ld %s: %" PRIu64 " instructions, %" PRIu64 " simd\n",
                 i, counts[i].tid, name, counts[i].insns, counts[i].simd);
        qemu_plugin_outs(line);
    }
    snprintf(line, sizeof line, "all threads: %" PRIu64 " instructions, %" PRIu64 " simd\n",
             all.insns, all.simd);
    qemu_plugin_outs(line);
}

QEMU_PLUGIN_EXPORT int qemu_plugin_install(qemu_plugin_id_t id, const qemu_info_t* info, int argc,
                                           char** argv) {
    int i;
    (void)info;
    for (i = 0; i < argc; ++i)
        if (!strncmp(argv[i], "out=", 4)) {
            pthread_t thread;
            out = fopen(argv[i] + 4, "w");
            if (!out || pthread_create(&thread, NULL, Sampler, NULL) != 0)
                return -1;
            pthread_detach(thread);
        }
    qemu_plugin_register_vcpu_tb_trans_cb(id, BlockTranslated);
    qemu_plugin_register_atexit_cb(id, Report, NULL);
    return 0;
}
