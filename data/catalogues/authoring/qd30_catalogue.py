#!/usr/bin/python3
"""Writes data/catalogues/qd30.tsv from the compact group tables below.

Run from anywhere:  /usr/bin/python3 data/catalogues/authoring/qd30_catalogue.py
The script checks the finished catalogue (shape, texts, format words, GBK byte
limits) and refuses to write the file when a check fails.

Table lines, one entry each, in catalogue order within the group:

    ACCESS | name | range | description

  ACCESS is A (settable at any time), S (settable only while the drive is
  stopped) or R (not settable: monitoring values, fault records, rated data),
  optionally followed by the number of decimals.  Range and description may be
  left out.  "---" is one reserved entry, "--- xN" N reserved entries in a row.

Format-word rules:
  bits 0-2  decimals of the value.  A range with numbers fixes them (every
            number in the range carries the same count of fraction digits);
            an explicit count after ACCESS must agree with it, and is the only
            source for ranges without numbers ("机型确定", "只读", or bounds
            that are other parameters such as "F0-08～F0-06").
  bit 3     0x08  settable only while the drive is stopped (S).
  bit 4     0x10  settable at any time, running or not (A).  Never together
            with 0x08.  Reserved, factory and read-only entries carry neither.
            (The same reading as the QD10 and QD20 catalogues: the digital
            set frequency of every series carries 0x10.)
  bit 5     0x20  exactly when the range reaches below zero: its lower end
            starts with the minus sign "－" (U+FF0D), and no other place of a
            range holds one.  ASCII "-" appears in ranges only inside function
            codes such as "F0-06", never as a sign.
  Read-only values show the range "只读"; signed ones show their span with
  "(只读)" after it, e.g. "－300.0～300.0%(只读)".
  Reserved ("保留") and factory entries: format 0, empty range.
"""

import re
import sys

from catalogue_common import (ACCESS_BITS, FORMAT_WORDS, SIGNED, TableError, build,
                              field_problems, reserved_entries, run)

SERIES = "QD30"

GROUPS = [  # (prefix, entries)
    ("F0", 16), ("F1", 40), ("F2", 25), ("F3", 27), ("F4", 66), ("F5", 18),
    ("F6", 31), ("F7", 29), ("F8", 99), ("F9", 35), ("FA", 16), ("Fb", 42),
    ("FC", 47), ("Fd", 61), ("FE", 75), ("FF", 9), ("Fn", 95), ("FP", 21),
    ("FU", 60),
]
EXPECT_ENTRIES = 812
EXPECT_RANGES = 682
EXPECT_DESCRIPTIONS = 73
TELLING = [  # format, code, name, range, description
    (18, "F0-00", "数字给定频率", "0.00Hz～F0-06", ""),
    (51, "F0-05", "辅助通道增益", "－1.000～1.000", ""),
    (2, "F0-13", "变频器额定功率", "机型确定", ""),
    (2, "F0-14", "软件版本号", "0.00～99.99", ""),
    (1, "FU-59", "结温", "只读", ""),
]

# Descriptions that several terminals share.
DI_FUNCS = ("0:无功能；1:正转；2:反转；3:三线式控制；4:正转点动；5:反转点动；"
            "6:自由停车；7:故障复位；8:运行暂停；9:外部故障；10～13:多段速端子1～4；"
            "14:端子UP；15:端子DOWN")
DO_FUNCS = ("0:无输出；1:运行中；2:故障输出；3:频率到达；4:FDT1到达；5:零速运行；"
            "6:电机过载预报警；7:变频器过载预报警；8:设定计数到达；9:PLC循环完成；"
            "10:上限频率到达；11:下限频率到达；12:运行准备就绪")
AO_FUNCS = ("0:运行频率；1:设定频率；2:输出电流；3:输出转矩；4:输出功率；"
            "5:输出电压；6:母线电压；7:AI1；8:AI2；9:AI3；10:HDI脉冲；"
            "11:PID输出；12:通讯给定")
FREQ_SOURCES = ("0:数字给定(F0-00)；1:键盘电位器；2:AI1；3:AI2；4:AI3；"
                "5:HDI高速脉冲；6:多段速；7:简易PLC；8:PID；9:通讯给定")

F0 = """
A  | 数字给定频率 | 0.00Hz～F0-06
S  | 主频率给定通道 | 0～9 | """ + FREQ_SOURCES + """
S  | 辅助频率给定通道 | 0～9 | 与主通道相同的选项；主辅通道不应选择同一信号源
S  | 主辅运算关系 | 0～4 | 0:仅主通道；1:主+辅；2:主－辅；3:取两者较大值；4:取两者较小值
S  | 运行命令通道 | 0～2 | 0:键盘；1:端子；2:通讯
A  | 辅助通道增益 | －1.000～1.000
S  | 最大输出频率 | 50.00～600.00Hz | 加减速时间、模拟量和脉冲给定均以此频率为100%
S2 | 上限频率 | F0-08～F0-06
S2 | 下限频率 | 0.00Hz～F0-07
A  | 加速时间1 | 0.1～3600.0s
A  | 减速时间1 | 0.1～3600.0s
S  | 运转方向 | 0～2 | 0:默认方向；1:方向取反；2:禁止反转
A  | 载波频率 | 1.0～16.0kHz | 载波高则电机噪声小、变频器温升高；大功率机型宜降额使用
R2 | 变频器额定功率 | 机型确定
R  | 软件版本号 | 0.00～99.99
A  | 用户密码设定 | 0～65535 | 设为非零值即启用密码保护；0为不设密码
"""

F1 = """
S  | 控制方式 | 0～2 | 0:V/F控制；1:无速度传感器矢量控制；2:有速度传感器矢量控制
S  | 电机类型 | 0～1
S  | 电机额定功率 | 0.1～1000.0kW
S  | 电机额定电压 | 1～1000V
S  | 电机额定电流 | 0.1～2000.0A
S  | 电机额定频率 | 0.01～600.00Hz
S  | 电机额定转速 | 1～36000rpm
S  | 电机极数 | 2～64
S  | 定子电阻 | 0.001～65.535Ω
S  | 转子电阻 | 0.001～65.535Ω
S  | 定转子漏感 | 0.01～655.35mH
S  | 定转子互感 | 0.1～6553.5mH
S1 | 空载励磁电流 | 0.1A～F1-04
S  | 电机参数自学习 | 0～2 | 0:不动作；1:静止自学习；2:旋转自学习。自学习前请正确输入铭牌参数，旋转自学习须脱开负载
A  | 速度环比例增益1 | 1～100
A  | 速度环积分时间1 | 0.01～10.00s
A2 | 切换频率1 | 0.00Hz～F1-19
A  | 速度环比例增益2 | 1～100
A  | 速度环积分时间2 | 0.01～10.00s
A2 | 切换频率2 | F1-16～F0-06 | 低于切换频率1用第一组速度环参数，高于切换频率2用第二组，其间线性过渡
A  | 矢量转差补偿系数 | 50～200%
A  | 速度环滤波时间 | 0.000～0.100s
A  | 电流环比例增益 | 0～60000
A  | 电流环积分增益 | 0～60000
S  | 转矩上限源 | 0～4 | 0:数字设定(F1-25)；1:AI1；2:AI2；3:AI3；4:通讯给定
A  | 转矩上限数字设定 | 0.0～200.0%
S  | 速度/转矩控制选择 | 0～1
S  | 转矩给定源 | 0～5 | 0:数字设定(F1-28)；1:AI1；2:AI2；3:AI3；4:HDI脉冲；5:通讯给定
A  | 转矩数字给定 | －200.0%～200.0%
A2 | 转矩控制正向最大频率 | 0.00Hz～F0-06
A2 | 转矩控制反向最大频率 | 0.00Hz～F0-06
A  | 转矩加速时间 | 0.00～650.00s
A  | 转矩减速时间 | 0.00～650.00s
A  | 弱磁区最大转矩系数 | 50～200%
A  | 弱磁比例增益 | 0～100
S  | 励磁调节积分增益 | 0～60000
S  | 编码器线数 | 1～65535
S  | 编码器方向 | 0～1
S  | 编码器断线检测时间 | 0.0～10.0s | 0.0表示不检测编码器断线
---
"""

F2 = """
S  | V/F曲线 | 0～4 | 0:直线；1:多点折线；2:1.3次方降转矩；3:1.7次方降转矩；4:2.0次方降转矩
S  | 转矩提升 | 0.0～30.0% | 0.0%为自动转矩提升
S2 | 转矩提升截止频率 | 0.00Hz～F0-06
S2 | V/F频率点1 | 0.00Hz～F2-05
S  | V/F电压点1 | 0.0～100.0%
S2 | V/F频率点2 | F2-03～F2-07
S  | V/F电压点2 | 0.0～100.0%
S2 | V/F频率点3 | F2-05～F1-05
S  | V/F电压点3 | 0.0～100.0%
A  | V/F转差补偿增益 | 0.0～200.0%
A  | V/F过励磁增益 | 0～200
A  | 振荡抑制增益 | 0～100
S  | V/F分离电压源 | 0～5 | 0:数字设定(F2-13)；1:AI1；2:AI2；3:AI3；4:PID；5:通讯给定
A0 | V/F分离电压数字设定 | 0V～F1-03
A  | V/F分离电压上升时间 | 0.0～1000.0s
S  | 自动节能运行 | 0～1
A  | 节能运行最低电压 | 20～100%
A  | 过流失速动作电流 | 50～200%
S  | 过流失速使能 | 0～1
A  | 过流失速抑制增益 | 0～100
S  | 过压失速使能 | 0～1
A  | 过压失速动作电压 | 650.0～800.0V
A  | 过压失速频率增益 | 0～100
A  | 过压失速最大上升频率 | 0～50Hz
---
"""

F3 = """
S  | DI1端子功能 | 0～50 | """ + DI_FUNCS + """
S  | DI2端子功能 | 0～50
S  | DI3端子功能 | 0～50
S  | DI4端子功能 | 0～50
S  | DI5端子功能 | 0～50
S  | DI6端子功能 | 0～50
S  | DI7端子功能 | 0～50
S  | HDI端子功能 | 0～50
A  | DI滤波时间 | 0.000～1.000s
S  | 端子命令方式 | 0～3 | 0:两线式1；1:两线式2；2:三线式1；3:三线式2
A  | 端子UP/DOWN变化率 | 0.001～65.535Hz/s
S  | DI有效模式选择1 | 0～11111 | 个位至万位对应DI1～DI5：0为高电平有效，1为低电平有效
S  | DI有效模式选择2 | 0～111 | 个位至百位对应DI6、DI7、HDI：0为高电平有效，1为低电平有效
A  | DI1延迟时间 | 0.0～3600.0s
A  | DI2延迟时间 | 0.0～3600.0s
A  | DI3延迟时间 | 0.0～3600.0s
S  | 端子上电运行保护 | 0～1 | 0:上电时已闭合的运行端子无效，需重新闭合；1:上电即按端子状态运行
S  | HDI输入类型 | 0～1
A2 | HDI最小输入频率 | 0.00kHz～F3-20
A  | HDI最小输入对应设定 | －100.0%～100.0%
A2 | HDI最大输入频率 | F3-18～100.00kHz
A  | HDI最大输入对应设定 | －100.0%～100.0%
A  | HDI输入滤波时间 | 0.00～10.00s
S  | 端子UP/DOWN清零选择 | 0～2 | 0:停机清零；1:掉电清零；2:不清零
A  | 设定计数值 | 1～65535
A  | 指定计数值 | 1～65535
---
"""

F4 = """
A2 | AI1下限 | 0.00V～F4-02
A  | AI1下限对应设定 | －100.0%～100.0%
A2 | AI1上限 | F4-00～10.00V
A  | AI1上限对应设定 | －100.0%～100.0%
A  | AI1滤波时间 | 0.00～10.00s
A2 | AI2下限 | 0.00V～F4-07
A  | AI2下限对应设定 | －100.0%～100.0%
A2 | AI2上限 | F4-05～10.00V
A  | AI2上限对应设定 | －100.0%～100.0%
A  | AI2滤波时间 | 0.00～10.00s
A2 | AI3下限 | －10.00V～F4-12
A  | AI3下限对应设定 | －100.0%～100.0%
A2 | AI3上限 | F4-10～10.00V
A  | AI3上限对应设定 | －100.0%～100.0%
A  | AI3滤波时间 | 0.00～10.00s
S  | AI2输入类型 | 0～1 | 0:电压输入0～10V；1:电流输入0～20mA
A  | 键盘电位器滤波时间 | 0.00～10.00s
S  | AI低于下限时设定 | 0～111 | 个位至百位对应AI1～AI3：0取下限对应设定，1取0.0%
S  | AI断线检测使能 | 0～1
A  | AI断线检测阈值 | 0.0～20.0%
S  | AO1输出功能 | 0～12 | """ + AO_FUNCS + """
S  | AO2输出功能 | 0～12
A  | AO1零偏系数 | －100.0%～100.0%
A  | AO1增益 | －10.00～10.00
A  | AO1输出滤波时间 | 0.00～10.00s
S  | AO1输出类型 | 0～1 | 0:电压0～10V；1:电流0～20mA
A  | AO2零偏系数 | －100.0%～100.0%
A  | AO2增益 | －10.00～10.00
A  | AO2输出滤波时间 | 0.00～10.00s
S  | AO2输出类型 | 0～1
S  | HDO输出模式 | 0～1
S  | HDO脉冲输出功能 | 0～12
A  | HDO最大输出频率 | 0.01～100.00kHz
S  | Y1输出功能 | 0～40 | """ + DO_FUNCS + """
S  | Y2输出功能 | 0～40
S  | 继电器1输出功能 | 0～40
S  | 继电器2输出功能 | 0～40
S  | HDO开关量输出功能 | 0～40
S  | 输出端子有效状态 | 0～11111 | 个位至万位对应Y1、Y2、继电器1、继电器2、HDO：0正逻辑，1反逻辑
A  | Y1输出延迟时间 | 0.0～3600.0s
A  | Y2输出延迟时间 | 0.0～3600.0s
A  | 继电器1输出延迟时间 | 0.0～3600.0s
A  | 继电器2输出延迟时间 | 0.0～3600.0s
A2 | 频率检测值FDT1 | 0.00Hz～F0-06
A  | FDT1滞后值 | 0.0～100.0%
A2 | 频率检测值FDT2 | 0.00Hz～F0-06
A  | FDT2滞后值 | 0.0～100.0%
A  | 频率到达检出宽度 | 0.0～100.0%
A2 | 任意到达频率1 | 0.00Hz～F0-06
A  | 任意到达频率1宽度 | 0.0～100.0%
A2 | 任意到达频率2 | 0.00Hz～F0-06
A  | 任意到达频率2宽度 | 0.0～100.0%
A  | 零电流检测水平 | 0.0～300.0%
A  | 零电流检测延迟 | 0.00～600.00s
A  | 输出电流超限值 | 0.0～300.0%
A  | 电流超限检测延迟 | 0.00～600.00s
A  | 任意到达电流1 | 0.0～300.0%
A  | 任意到达电流1宽度 | 0.0～300.0%
A  | 任意到达电流2 | 0.0～300.0%
A  | 任意到达电流2宽度 | 0.0～300.0%
A  | 模块温度到达 | 0～100℃
A  | 频率到达检出延迟 | 0.00～600.00s
A2 | AI1电压保护下限 | 0.00V～F4-63
A2 | AI1电压保护上限 | F4-62～10.00V
--- x2
"""

F5 = """
S  | 启动方式 | 0～2 | 0:直接启动；1:先直流制动再启动；2:转速跟踪再启动
A  | 启动频率 | 0.00～10.00Hz
S  | 启动频率保持时间 | 0.0～100.0s
S  | 启动直流制动电流 | 0～100%
S  | 启动直流制动时间 | 0.0～100.0s
S  | 转速跟踪方式 | 0～2 | 0:从停机频率开始；1:从工频开始；2:从最大频率开始
A  | 转速跟踪快慢 | 1～100
S  | 加减速方式 | 0～2
S  | S曲线开始段比例 | 0.0～100.0%
S  | S曲线结束段比例 | 0.0～100.0%
A  | 停机方式 | 0～1
A2 | 停机直流制动起始频率 | 0.00Hz～F0-06
A  | 停机直流制动等待时间 | 0.0～100.0s
A  | 停机直流制动电流 | 0～100%
A  | 停机直流制动时间 | 0.0～100.0s
A  | 能耗制动使用率 | 0～100%
A  | 能耗制动起始电压 | 200.0～2000.0V
S  | 瞬停不停功能 | 0～2 | 0:无效；1:母线电压跌落时减速维持；2:减速停机
"""

USER_CODES = "\n".join(
    "A0 | 用户定制功能码%d | F0-00～FE-74" % i for i in range(1, 11))

F6 = """
S  | MF.K键功能 | 0～4 | 0:无效；1:键盘与远程命令切换；2:正反转切换；3:正转点动；4:反转点动
A  | STOP/RESET键功能 | 0～1 | 0:只在键盘命令方式下有效；1:任何命令方式下均有效
A  | 运行显示参数1 | 0～65535 | 按位选择运行时显示的监视量，Bit0运行频率，Bit1设定频率，Bit2母线电压，Bit3输出电压，Bit4输出电流
A  | 运行显示参数2 | 0～65535
A  | 停机显示参数 | 0～65535
A  | 负载速度显示系数 | 0.001～65.000
A  | 负载速度小数点位数 | 0～3
A  | 线速度显示系数 | 0.1～999.9
S  | 功能码修改属性 | 0～1
S  | 参数初始化 | 0～3 | 0:无操作；1:恢复出厂参数(不含电机参数)；2:清除记录信息；3:备份当前用户参数
A  | 参数组显示选择 | 0～11 | 个位:用户定制参数组；十位:用户变更参数组。0不显示，1显示
A  | 数字频率掉电存储 | 0～1
A  | 键盘UP/DOWN基准 | 0～1
A  | 累计运行到达时间 | 0～65000h
A  | 累计上电到达时间 | 0～65000h
A  | 本次运行到达时间 | 0.0～6500.0min
A  | 上电显示参数 | 0～15
A  | 轮显间隔时间 | 0.0～60.0s
A  | 键盘锁定 | 0～4 | 0:不锁定；1:全部锁定；2:除RUN、STOP外锁定；3:除STOP外锁定；4:除移位键外锁定
S  | 用户定制参数组使能 | 0～1
A  | LED显示亮度 | 1～5
""" + USER_CODES + "\n"

F7 = """
A2 | 点动运行频率 | 0.00Hz～F0-06
A  | 点动加速时间 | 0.1～3600.0s
A  | 点动减速时间 | 0.1～3600.0s
A  | 加速时间2 | 0.1～3600.0s
A  | 减速时间2 | 0.1～3600.0s
A  | 加速时间3 | 0.1～3600.0s
A  | 减速时间3 | 0.1～3600.0s
A  | 加速时间4 | 0.1～3600.0s
A  | 减速时间4 | 0.1～3600.0s
A2 | 加速时间切换频率 | 0.00Hz～F0-06
A2 | 减速时间切换频率 | 0.00Hz～F0-06
A2 | 跳跃频率1 | 0.00Hz～F0-06
A2 | 跳跃频率2 | 0.00Hz～F0-06
A2 | 跳跃频率幅度 | 0.00Hz～F0-06
A  | 正反转死区时间 | 0.0～3000.0s
S  | 频率低于下限时动作 | 0～2 | 0:以下限频率运行；1:停机；2:零速运行
A  | 下垂控制 | 0.00～10.00Hz
A  | 风扇控制 | 0～1
S  | 端子点动优先 | 0～1
A2 | 唤醒频率 | F7-21～F0-06
A  | 唤醒延迟时间 | 0.0～6500.0s
A2 | 休眠频率 | 0.00Hz～F7-19
A  | 休眠延迟时间 | 0.0～6500.0s
A  | 摆频幅度 | 0.0～100.0%
A  | 突跳频率幅度 | 0.0～50.0%
A  | 摆频周期 | 0.1～3000.0s
A  | 三角波上升时间比例 | 0.1～100.0%
A  | 设定长度 | 0～65535m
A  | 每米脉冲数 | 0.1～6553.5
"""

PROTECT_ACTION = ("各位数值：0自由停车；1按停机方式停机；2继续运行")


def fault_record(which):
    """Thirteen read-only fields recorded with one fault."""
    return "\n".join([
        "R2 | %s运行频率 | 只读" % which,
        "R2 | %s设定频率 | 只读" % which,
        "R2 | %s输出电流 | 只读" % which,
        "R0 | %s输出电压 | 只读" % which,
        "R1 | %s母线电压 | 只读" % which,
        "R  | %s输出转矩 | －300.0～300.0%%(只读)" % which,
        "R0 | %s输入端子状态 | 只读" % which,
        "R0 | %s输出端子状态 | 只读" % which,
        "R0 | %s变频器状态字 | 只读" % which,
        "R0 | %s模块温度 | 只读" % which,
        "R0 | %s上电时间 | 只读" % which,
        "R1 | %s运行时间 | 只读" % which,
        "R0 | %s故障子码 | 只读" % which,
    ])


F8 = """
A  | 电机过载保护 | 0～1 | 0:禁止；1:允许。变频电机或多台电机并联时可禁止，另设热继电器
A  | 电机过载保护增益 | 0.20～10.00
A  | 电机过载预警系数 | 50～100%
S  | 输入缺相保护 | 0～1
S  | 输出缺相保护 | 0～1
S  | 上电对地短路保护 | 0～1
A  | 故障自动复位次数 | 0～20 | 0为不自动复位；复位次数用完后保持故障状态
A  | 自动复位期间故障输出 | 0～1
A  | 自动复位间隔时间 | 0.1～100.0s
A  | 过速度检测值 | 0.0～50.0%
A  | 过速度检测时间 | 0.0～60.0s
A  | 速度偏差过大检测值 | 0.0～50.0%
A  | 速度偏差过大检测时间 | 0.0～60.0s
S  | 故障保护动作选择1 | 0～22222 | 个位:电机过载；十位:输入缺相；百位:输出缺相；千位:外部故障；万位:通讯异常。""" + PROTECT_ACTION + """
S  | 故障保护动作选择2 | 0～22222 | 个位:编码器故障；十位:参数读写异常；百位:电机过热；千位:掉载；万位:PID反馈丢失。""" + PROTECT_ACTION + """
S  | 故障保护动作选择3 | 0～22222
A  | 故障时继续运行频率 | 0～4 | 0:当前运行频率；1:设定频率；2:上限频率；3:下限频率；4:异常备用频率
A  | 异常备用频率 | 0.0～100.0%
S  | 电机温度传感器类型 | 0～2
A  | 电机过热保护阈值 | 0～200℃
A  | 电机过热预报警阈值 | 0～200℃
S  | 瞬停暂停判断电压 | 80.0～100.0%
A  | 瞬停电压回升判断时间 | 0.00～100.00s
A  | 瞬停动作判断电压 | 60.0～100.0%
S  | 掉载保护 | 0～1
A  | 掉载检测水平 | 0.0～100.0%
A  | 掉载检测时间 | 0.0～60.0s
A  | 逐波限流 | 0～1
A  | 欠压点 | 60.0～140.0%
A  | 过压点 | 200.0～2500.0V
A  | 散热器过温报警阈值 | 0～100℃
A  | 对地短路检测电流 | 0.0～100.0%
A  | 输出电流不平衡检测 | 0.0～50.0%
A  | 通讯异常检测时间 | 0.0～60.0s
A  | 编码器故障检测时间 | 0.0～10.0s
S  | 故障记录清除 | 0～1
--- x4
R0 | 最近故障类型 | 只读
R0 | 前次故障类型 | 只读
R0 | 前两次故障类型 | 只读
R0 | 累计故障次数 | 只读
""" + fault_record("最近故障时") + "\n" + fault_record("前次故障时") + "\n" \
    + fault_record("前两次故障时") + "\n--- x16\n"

F9 = """
S  | PID给定源 | 0～6 | 0:数字给定(F9-01)；1:键盘电位器；2:AI1；3:AI2；4:AI3；5:HDI脉冲；6:通讯给定
A  | PID数字给定 | 0.0～100.0%
S  | PID反馈源 | 0～6 | 0:AI1；1:AI2；2:AI3；3:AI1－AI2；4:HDI脉冲；5:通讯给定；6:AI1与AI2取大
S  | PID作用方向 | 0～1 | 0:正作用，反馈小于给定时输出增大；1:反作用
A  | PID给定反馈量程 | 0～65535
A  | 比例增益Kp1 | 0.0～100.0
A  | 积分时间Ti1 | 0.01～10.00s
A  | 微分时间Td1 | 0.000～10.000s
A2 | PID反转截止频率 | 0.00Hz～F0-06
A  | PID偏差极限 | 0.0～100.0%
A  | PID微分限幅 | 0.00～100.00%
A  | PID给定变化时间 | 0.00～650.00s
A  | PID反馈滤波时间 | 0.00～60.00s
A  | PID输出滤波时间 | 0.00～60.00s
A  | 比例增益Kp2 | 0.0～100.0
A  | 积分时间Ti2 | 0.01～10.00s
A  | 微分时间Td2 | 0.000～10.000s
A  | PID参数切换条件 | 0～2 | 0:不切换；1:DI端子切换；2:按偏差自动切换
A1 | PID参数切换偏差1 | 0.0%～F9-19
A1 | PID参数切换偏差2 | F9-18～100.0%
A  | PID初值 | 0.0～100.0%
A  | PID初值保持时间 | 0.00～650.00s
A  | 输出偏差正向最大值 | 0.00～100.00%
A  | 输出偏差反向最大值 | 0.00～100.00%
A  | PID积分属性 | 0～11 | 个位:积分分离，0无效1有效；十位:输出到限值后，0继续积分1停止积分
A  | PID反馈丢失检测值 | 0.0～100.0% | 0.0%为不判断反馈丢失
A  | PID反馈丢失检测时间 | 0.0～20.0s
A  | PID停机运算 | 0～1
A1 | PID输出上限 | F9-29～100.0%
A  | PID输出下限 | －100.0%～F9-28
A  | PID反馈高报警值 | 0.0～100.0%
A  | PID反馈低报警值 | 0.0～100.0%
A  | PID报警延迟时间 | 0.0～60.0s
--- x2
"""

FA = "\n".join("A2 | 多段速频率%d | 0.00Hz～F0-06" % i for i in range(16)) + "\n"

PLC_TIMES = "\n".join("A  | 第%d段运行时间 | 0.0～6553.5" % i for i in range(16))
PLC_ACCEL = "\n".join("A  | 第%d段加减速时间选择 | 0～3" % i for i in range(16))

Fb = """
S  | 简易PLC运行方式 | 0～2 | 0:单次运行结束停机；1:单次运行结束保持终值；2:一直循环
A  | PLC掉电记忆选择 | 0～11 | 个位:掉电记忆，0不记忆1记忆；十位:停机记忆，0不记忆1记忆
S  | PLC运行时间单位 | 0～1 | 0:秒；1:小时。各段运行时间按此单位计
""" + PLC_TIMES + "\n" + PLC_ACCEL + """
A  | PLC各段运行方向 | 0～65535 | Bit0～Bit15对应第0～15段：0正转，1反转
A  | 第0段频率给定方式 | 0～5 | 0:多段速频率0；1:数字给定；2:AI1；3:AI2；4:PID；5:通讯给定
--- x5
"""

VDI = "\n".join("S  | 虚拟VDI%d功能 | 0～50" % i for i in range(1, 6))
VDO = "\n".join("S  | 虚拟VDO%d功能 | 0～40" % i for i in range(1, 6))
VDO_DELAY = "\n".join("A  | VDO%d输出延迟时间 | 0.0～3600.0s" % i
                      for i in range(1, 6))

FC = """
S  | 本机通讯地址 | 1～247 | 主站以地址0广播时，从机执行但不应答
S  | 通讯波特率 | 0～7 | 0:1200；1:2400；2:4800；3:9600；4:19200；5:38400；6:57600；7:115200，单位bit/s
S  | 数据格式 | 0～3 | 0:无校验8-N-2；1:偶校验8-E-1；2:奇校验8-O-1；3:无校验8-N-1
A  | 应答延迟 | 0～20ms
A  | 通讯超时时间 | 0.0～60.0s | 0.0s为不检测超时；超过此时间未收到有效帧报通讯异常
A  | 通讯电流分辨率 | 0～1
S  | 通讯写入存储 | 0～1 | 0:写入值只存RAM；1:写入值同时存EEPROM。频繁改写请选0
A  | 通讯断线动作 | 0～3 | 0:自由停车；1:减速停车；2:保持运行；3:以异常备用频率运行
A  | 主从控制使能 | 0～1
S  | 主从选择 | 0～1
A  | 从机跟随主机命令 | 0～1
A  | 从机接收频率系数 | 0.00～10.00
A  | 主机发送数据 | 0～2 | 0:运行频率；1:设定频率；2:输出转矩
""" + VDI + """
S  | VDI有效状态来源 | 0～11111 | 个位至万位对应VDI1～VDI5：0由VDO状态决定；1由FC-19设定
A  | VDI状态设定 | 0～11111
""" + VDO + "\n" + VDO_DELAY + """
S  | VDO输出有效状态 | 0～11111
S  | AI1作为DI功能 | 0～50
S  | AI2作为DI功能 | 0～50
S  | AI作为DI有效模式 | 0～11 | 个位:AI1；十位:AI2。0高电平有效，1低电平有效
A  | 定时功能 | 0～1
S  | 定时时间来源 | 0～3 | 0:数字设定(FC-36)；1:AI1；2:AI2；3:AI3。模拟量100%对应FC-36
A  | 定时时间 | 0.0～6500.0min
A  | 累计耗电量清零 | 0～1
--- x9
"""

Fd = """
S  | 电机选择 | 1～2 | 1:第一电机；2:第二电机。DI端子选择电机时以端子为准
S  | 第二电机控制方式 | 0～2
S  | 第二电机类型 | 0～1
S  | 第二电机额定功率 | 0.1～1000.0kW
S  | 第二电机额定电压 | 1～1000V
S  | 第二电机额定电流 | 0.1～2000.0A
S  | 第二电机额定频率 | 0.01～600.00Hz
S  | 第二电机额定转速 | 1～36000rpm
S  | 第二电机极数 | 2～64
S  | 第二电机定子电阻 | 0.001～65.535Ω
S  | 第二电机转子电阻 | 0.001～65.535Ω
S  | 第二电机漏感 | 0.01～655.35mH
S  | 第二电机互感 | 0.1～6553.5mH
S1 | 第二电机空载电流 | 0.1A～Fd-05
S  | 第二电机参数自学习 | 0～2
A  | 第二电机速度比例增益1 | 1～100
A  | 第二电机速度积分时间1 | 0.01～10.00s
A2 | 第二电机切换频率1 | 0.00Hz～Fd-20
A  | 第二电机速度比例增益2 | 1～100
A  | 第二电机速度积分时间2 | 0.01～10.00s
A2 | 第二电机切换频率2 | Fd-17～F0-06
A  | 第二电机转差补偿系数 | 50～200%
A  | 第二电机转矩提升 | 0.0～30.0%
S  | 第二电机V/F曲线 | 0～4
A  | 第二电机加减速时间 | 0～4 | 0:与第一电机相同；1～4:加减速时间1～4
A  | 第二电机电流环比例增益 | 0～60000
A  | 第二电机电流环积分增益 | 0～60000
S  | 第二电机编码器线数 | 1～65535
S  | 第二电机过载保护 | 0～1
A  | 第二电机过载保护增益 | 0.20～10.00
A  | 第二电机振荡抑制增益 | 0～100
S  | PWM调制方式 | 0～1
A  | DPWM切换上限频率 | 0.00～15.00Hz
S  | 死区补偿模式 | 0～2 | 0:不补偿；1:补偿模式1；2:补偿模式2
A  | 随机PWM深度 | 0～10 | 0为不用随机PWM；数值越大电机噪声越分散
A  | 快速限流 | 0～1
A  | 电流检测补偿 | 0～100
S  | SVC优化模式 | 0～2 | 0:不优化；1:优化模式1；2:优化模式2
A  | 最大输出电压系数 | 100～110%
A  | 零速转矩保持系数 | 0.0～150.0%
A  | 零速转矩保持时间 | 0.0～6000.0s
--- x20
"""


def ai_curve(n):
    return "\n".join([
        "A2 | 曲线%d最小输入 | －10.00V～FE-%02d" % (n, (n - 4) * 8 + 2),
        "A  | 曲线%d最小输入对应设定 | －100.0%%～100.0%%" % n,
        "A2 | 曲线%d拐点1输入 | FE-%02d～FE-%02d" % (n, (n - 4) * 8 + 0,
                                                (n - 4) * 8 + 4),
        "A  | 曲线%d拐点1对应设定 | －100.0%%～100.0%%" % n,
        "A2 | 曲线%d拐点2输入 | FE-%02d～FE-%02d" % (n, (n - 4) * 8 + 2,
                                                (n - 4) * 8 + 6),
        "A  | 曲线%d拐点2对应设定 | －100.0%%～100.0%%" % n,
        "A2 | 曲线%d最大输入 | FE-%02d～10.00V" % (n, (n - 4) * 8 + 4),
        "A  | 曲线%d最大输入对应设定 | －100.0%%～100.0%%" % n,
    ])


def ai_calibration(ch):
    return "\n".join([
        "A  | %s实测电压1 | 0.500～4.000V" % ch,
        "A  | %s显示电压1 | 0.500～4.000V" % ch,
        "A  | %s实测电压2 | 6.000～9.999V" % ch,
        "A  | %s显示电压2 | 6.000～9.999V" % ch,
    ])


def ao_calibration(ch):
    return "\n".join([
        "A  | %s目标电压1 | 0.500～4.000V" % ch,
        "A  | %s实测电压1 | 0.500～4.000V" % ch,
        "A  | %s目标电压2 | 6.000～9.999V" % ch,
        "A  | %s实测电压2 | 6.000～9.999V" % ch,
    ])


FE = ai_curve(4) + "\n" + ai_curve(5) + """
S  | AI曲线选择 | 0～555 | 个位至百位对应AI1～AI3：1～3为F4组直线，4、5为FE组曲线4、5
A  | AI1设定跳跃点 | －100.0%～100.0%
A  | AI1设定跳跃幅度 | 0.0～100.0%
A  | AI2设定跳跃点 | －100.0%～100.0%
A  | AI2设定跳跃幅度 | 0.0～100.0%
A  | AI3设定跳跃点 | －100.0%～100.0%
A  | AI3设定跳跃幅度 | 0.0～100.0%
""" + ai_calibration("AI1") + "\n" + ai_calibration("AI2") + "\n" \
    + ai_calibration("AI3") + "\n" + ao_calibration("AO1") + "\n" \
    + ao_calibration("AO2") + """
S  | 校正数据恢复 | 0～1
S  | 比较器1输入选择 | 0～12
A  | 比较器1上限 | 0.0～100.0%
A  | 比较器1下限 | 0.0～100.0%
S  | 比较器1输出功能 | 0～40
S  | 比较器2输入选择 | 0～12
A  | 比较器2上限 | 0.0～100.0%
A  | 比较器2下限 | 0.0～100.0%
S  | 比较器2输出功能 | 0～40
A  | 转矩控制静摩擦补偿 | 0.0～50.0%
A  | 转矩控制动摩擦补偿 | 0.0～50.0%
A  | 惯量补偿系数 | 0～100
A  | 惯量补偿滤波时间 | 0.000～1.000s
S  | 逻辑块1输入A | 0～40
S  | 逻辑块1输入B | 0～40
S  | 逻辑块1运算 | 0～3 | 0:与；1:或；2:异或；3:输入A取反。输入为DO功能编号，结果按输出功能送出
S  | 逻辑块1输出功能 | 0～40
S  | 逻辑块2输入A | 0～40
S  | 逻辑块2输入B | 0～40
S  | 逻辑块2运算 | 0～3
S  | 逻辑块2输出功能 | 0～40
A  | 计时器1定时时间 | 0.0～6500.0s
A  | 计时器2定时时间 | 0.0～6500.0s
S  | 计时器启动方式 | 0～1 | 0:DI端子启动；1:变频器运行时启动
A  | 上电延迟运行时间 | 0.0～600.0s
A  | 运行前预励磁时间 | 0.00～10.00s
--- x6
"""

FF = "\n".join("R  | 厂家参数 |" for _ in range(9)) + "\n"

Fn = """
R2 | 运行频率 | 只读
R2 | 设定频率 | 只读
R1 | 母线电压 | 只读
R0 | 输出电压 | 只读
R2 | 输出电流 | 只读
R1 | 输出功率 | 只读
R  | 输出转矩 | －300.0～300.0%(只读)
R0 | DI输入状态 | 只读
R0 | DO输出状态 | 只读
R2 | AI1电压 | 只读
R2 | AI2电压 | 只读
R  | AI3电压 | －10.00～10.00V(只读)
R0 | 计数值 | 只读
R0 | 长度值 | 只读
R0 | 负载速度 | 只读
R0 | 线速度 | 只读
R2 | HDI输入脉冲频率 | 只读
R  | 编码器反馈频率 | －600.0～600.0Hz(只读)
R1 | 剩余运行时间 | 只读
R2 | AI1校正前电压 | 只读
R2 | AI2校正前电压 | 只读
R  | AI3校正前电压 | －10.00～10.00V(只读)
R0 | 本次上电时间 | 只读
R1 | 本次运行时间 | 只读
R  | 通讯设定值 | －100.00～100.00%(只读)
R2 | 主频率给定 | 只读
R2 | 辅助频率给定 | 只读
R  | 目标转矩 | －200.0～200.0%(只读)
R1 | 转矩上限 | 只读
R0 | V/F分离目标电压 | 只读
R0 | V/F分离输出电压 | 只读
R0 | 累计运行时间 | 只读
R0 | 累计上电时间 | 只读
R0 | 累计耗电量 | 只读
R0 | 变频器状态字 | 只读
R0 | 当前故障代码 | 只读
R0 | 电机转速 | 只读
R0 | 当前使用电机 | 只读
R2 | 同步频率 | 只读
R2 | 转差频率 | 只读
R1 | 励磁电流 | 只读
R  | 转矩电流 | －3000.0～3000.0A(只读)
R0 | 功率因数角 | 只读
R0 | 键盘电位器电压 | 只读
R0 | 当前命令通道 | 只读
R0 | 当前频率给定通道 | 只读
R0 | 虚拟VDI状态 | 只读
R0 | 虚拟VDO状态 | 只读
R0 | 载波频率当前值 | 只读
R1 | 本次耗电量 | 只读
R2 | 斜坡给定频率 | 只读
R2 | 上限频率当前值 | 只读
R  | AI1对应设定 | －100.0～100.0%(只读)
R  | AI2对应设定 | －100.0～100.0%(只读)
R  | AI3对应设定 | －100.0～100.0%(只读)
R  | HDI对应设定 | －100.0～100.0%(只读)
R0 | 当前报警代码 | 只读
R1 | 电机负载率 | 只读
R1 | 变频器负载率 | 只读
R2 | PID输出频率 | 只读
--- x35
"""

FP = """
R1 | PID给定值 | 只读
R1 | PID反馈值 | 只读
R  | PID输出值 | －100.0～100.0%(只读)
R  | PID偏差 | －100.0～100.0%(只读)
R0 | PID当前参数组 | 只读
R0 | PLC当前段 | 只读
R1 | PLC当前段剩余时间 | 只读
R0 | 多段速当前段 | 只读
R0 | 计数实际值 | 只读
R0 | 长度实际值 | 只读
R1 | 定时剩余时间 | 只读
R2 | 摆频当前中心频率 | 只读
R2 | 通讯给定频率 | 只读
R0 | 通讯控制字 | 只读
R0 | 通讯状态字 | 只读
R2 | 主机发送频率 | 只读
R2 | 从机接收频率 | 只读
R0 | 休眠状态 | 只读
R1 | 唤醒剩余时间 | 只读
R0 | 比较器输出状态 | 只读
R0 | AI作为DI状态 | 只读
"""

FU = """
R0 | 逆变模块温度 | 只读
R0 | 整流桥温度 | 只读
R0 | 控制板温度 | 只读
R0 | 电机温度 | 只读
R0 | 风扇累计运行时间 | 只读
R0 | 累计耗电量高位 | 只读
R0 | 累计耗电量低位 | 只读
R2 | U相电流 | 只读
R2 | V相电流 | 只读
R2 | W相电流 | 只读
R1 | 三相电流不平衡度 | 只读
R1 | 母线电压纹波 | 只读
R1 | 输入电压估算值 | 只读
R0 | 电机估算转速 | 只读
R  | 电机估算频率 | －600.00～600.00Hz(只读)
R  | 励磁电流给定 | －3000.0～3000.0A(只读)
R  | 转矩电流给定 | －3000.0～3000.0A(只读)
R  | 输出功率因数 | －1.00～1.00(只读)
R2 | 控制板软件版本 | 只读
R2 | 功率板软件版本 | 只读
R2 | 键盘软件版本 | 只读
R0 | 机型代码 | 只读
R0 | 电压等级 | 只读
R1 | 变频器额定电流 | 只读
R0 | 限流状态 | 只读
R0 | 失速抑制状态 | 只读
R0 | 过载累计量 | 只读
R0 | 电机过载累计量 | 只读
R0 | 制动单元动作次数 | 只读
R0 | 上电次数 | 只读
R0 | 风扇转速 | 只读
R0 | 主控芯片温度 | 只读
R0 | 累计制动时间 | 只读
R0 | 自学习结果状态 | 只读
R2 | 最大输出电流记录 | 只读
R1 | 最高母线电压记录 | 只读
R0 | 最高模块温度记录 | 只读
R0 | EEPROM写入次数 | 只读
R0 | 通讯错误帧计数 | 只读
R0 | 通讯正确帧计数 | 只读
--- x19
R1 | 结温 | 只读
"""

TABLES = {"F0": F0, "F1": F1, "F2": F2, "F3": F3, "F4": F4, "F5": F5,
          "F6": F6, "F7": F7, "F8": F8, "F9": F9, "FA": FA, "Fb": Fb,
          "FC": FC, "Fd": Fd, "FE": FE, "FF": FF, "Fn": Fn, "FP": FP,
          "FU": FU}

CODE_IN_TEXT = re.compile(r"[A-Z][0-9A-Za-z]-\d\d")
NUMBER = re.compile(r"\d+(?:\.(\d+))?")


def range_decimals(text):
    """Fraction digits shared by every number of the range, or None."""
    bare = CODE_IN_TEXT.sub("", text)
    counts = {len(m.group(1) or "") for m in NUMBER.finditer(bare)}
    if not counts:
        return None
    if len(counts) > 1:
        raise TableError("range mixes decimal counts: %s" % text)
    return counts.pop()


def parse_line(line):
    """Return a list of (format, name, range, description) for one line."""
    reserved = reserved_entries(line, 2)
    if reserved is not None:
        return reserved
    fields = [f.strip() for f in line.split("|")]
    if len(fields) < 2 or len(fields) > 4:
        raise TableError("expected 2 to 4 fields: %s" % line)
    fields += [""] * (4 - len(fields))
    access, name, rng, desc = fields
    if access[0] not in ACCESS_BITS:
        raise TableError("unknown access %r: %s" % (access, line))
    explicit = int(access[1:]) if len(access) > 1 else None
    derived = range_decimals(rng)
    if explicit is not None and derived is not None and explicit != derived:
        raise TableError("decimals %d disagree with range: %s"
                         % (explicit, line))
    decimals = derived if derived is not None else (explicit or 0)
    fmt = decimals | ACCESS_BITS[access[0]]
    if rng.startswith("－"):
        fmt |= SIGNED
    return [(fmt, name, rng, desc)]


def check(entries):
    problems = []
    codes = {e[1] for e in entries}
    if len(entries) != EXPECT_ENTRIES:
        problems.append("entries %d" % len(entries))
    ranges = sum(1 for e in entries if e[3])
    descs = sum(1 for e in entries if e[4])
    if ranges != EXPECT_RANGES:
        problems.append("non-empty ranges %d, wants %d"
                        % (ranges, EXPECT_RANGES))
    if descs != EXPECT_DESCRIPTIONS:
        problems.append("non-empty descriptions %d, wants %d"
                        % (descs, EXPECT_DESCRIPTIONS))
    for fmt, code, name, rng, desc in entries:
        where = code
        if fmt not in FORMAT_WORDS:
            problems.append("%s: format %d not allowed" % (where, fmt))
        if (fmt & 0x18) == 0x18:
            problems.append("%s: both access bits" % where)
        if bool(fmt & SIGNED) != rng.startswith("－"):
            problems.append("%s: sign bit disagrees with range" % where)
        if "－" in rng[1:].split("～", 1)[-1] or rng.count("－") > 1:
            problems.append("%s: minus sign away from the lower end" % where)
        if "-" in CODE_IN_TEXT.sub("", rng):
            problems.append("%s: ASCII minus in range" % where)
        for ref in CODE_IN_TEXT.findall(rng):
            if ref not in codes:
                problems.append("%s: range names unknown %s" % (where, ref))
        if not name:
            problems.append("%s: empty name" % where)
        problems += field_problems(where, (("code", code, 9), ("name", name, 49),
                                           ("range", rng, 49), ("description", desc, 199)))
    by_code = {e[1]: e for e in entries}
    for want in TELLING:
        got = by_code.get(want[1])
        if got != want:
            problems.append("telling entry %s is %r" % (want[1], got))
    if by_code.get("F0-07", (0, "", "", ""))[3] != "F0-08～F0-06":
        problems.append("F0-07 range")
    return problems


def main():
    return run(SERIES, lambda: build(GROUPS, TABLES, parse_line), check)


if __name__ == "__main__":
    sys.exit(main())
